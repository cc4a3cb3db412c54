# expat for the WebAssembly build, which has no system library to link: Debian's source package
# of the expat that the native build links (scripts/wasm-sources unpacks it), with Debian's patches
# and configuration (expat/expat_config.h), so that koordin reads GPX alike in both.
include_guard(GLOBAL)
set(VP6FIO_EXPAT_SOURCE "" CACHE PATH "expat's sources: the folder that holds lib/xmlparse.c")
if(NOT EXISTS ${VP6FIO_EXPAT_SOURCE}/lib/xmlparse.c)
  message(FATAL_ERROR "VP6FIO_EXPAT_SOURCE=\"${VP6FIO_EXPAT_SOURCE}\" holds no expat sources: "
    "scripts/wasm-sources unpacks them")
endif()
add_library(expat STATIC
  ${VP6FIO_EXPAT_SOURCE}/lib/xmlparse.c
  ${VP6FIO_EXPAT_SOURCE}/lib/xmlrole.c
  ${VP6FIO_EXPAT_SOURCE}/lib/xmltok.c)
target_include_directories(expat SYSTEM PUBLIC ${VP6FIO_EXPAT_SOURCE}/lib)
target_include_directories(expat PRIVATE ${CMAKE_CURRENT_LIST_DIR}/expat)
target_compile_options(expat PRIVATE -w)  # not our code: its warnings are not ours to heed
add_library(EXPAT::EXPAT ALIAS expat)
