# Compiles tests/abi_host.cpp with each libstdc++ ABI: the library's compiles, the other stops
# with the package's message. Prints "N passed, N failed".
#   cmake -DCXX=... -DSOURCE_DIR=... -DABI_DIR=<folder of cxx_abi.h> -DBUILT_ABI=1 -P abi_host.cmake
math(EXPR other "1 - ${BUILT_ABI}")
set(message "vp6fio was built with _GLIBCXX_USE_CXX11_ABI=${BUILT_ABI} (its records hold std::string)")
set(passed 0)
set(failed 0)
foreach(abi ${BUILT_ABI} ${other})
  execute_process(COMMAND ${CXX} -std=c++17 -fsyntax-only -D_GLIBCXX_USE_CXX11_ABI=${abi}
    -I${SOURCE_DIR} -I${ABI_DIR} ${SOURCE_DIR}/tests/abi_host.cpp
    RESULT_VARIABLE status ERROR_VARIABLE errors)
  string(FIND "${errors}" "#error \"${message}" at)
  if(abi EQUAL BUILT_ABI AND status EQUAL 0)
    math(EXPR passed "${passed} + 1")
  elseif(NOT abi EQUAL BUILT_ABI AND NOT status EQUAL 0 AND at GREATER -1)
    math(EXPR passed "${passed} + 1")
  else()
    math(EXPR failed "${failed} + 1")
    message("FAILED: a host with _GLIBCXX_USE_CXX11_ABI=${abi} (status ${status}):\n${errors}")
  endif()
endforeach()
message("${passed} passed, ${failed} failed")
if(failed GREATER 0)
  message(FATAL_ERROR "a host's ABI is not held to the library's")
endif()
