# koordin for the browser (WebAssembly), which has no run-time loading: the driver is linked into
# koordin, and the loader finds its exports in a table generated from the driver's export list, by
# the same names.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/driver/vp6fio.def)
file(STRINGS ${PROJECT_SOURCE_DIR}/driver/vp6fio.def def_lines REGEX "^(LIBRARY|[ \t]+FIO_)")
set(VP6FIO_LINKED_EXPORTS "")
foreach(line IN LISTS def_lines)
  if(line MATCHES "^LIBRARY[ \t]+([A-Za-z0-9_]+)")
    set(VP6FIO_LIBRARY_NAME ${CMAKE_MATCH_1})
  elseif(line MATCHES "^[ \t]+(FIO_[A-Za-z0-9_]+)[ \t]")
    string(APPEND VP6FIO_LINKED_EXPORTS
      "    {\"${CMAKE_MATCH_1}\", reinterpret_cast<void*>(&${CMAKE_MATCH_1})},\n")
  else()
    message(FATAL_ERROR "driver/vp6fio.def: unexpected line \"${line}\"")
  endif()
endforeach()
configure_file(${CMAKE_CURRENT_LIST_DIR}/linked_exports.h.in
  ${PROJECT_BINARY_DIR}/tools/koordin/instrument/linked_exports.h @ONLY)

target_sources(koordin_host PRIVATE instrument/platform_linked_library.cpp)
target_include_directories(koordin_host PRIVATE ${PROJECT_BINARY_DIR})
target_link_libraries(koordin_host PUBLIC vp6fio)

# koordin as a JavaScript module for the browser page: one file with the WebAssembly inside, so
# that the page works opened from disk; main is called with a command line, as often as the page
# likes, on the in-memory file system; fflush lets the page take a last line without its line end.
target_link_options(koordin PRIVATE
  -sMODULARIZE=1 -sEXPORT_NAME=createKoordin
  -sINVOKE_RUN=0 -sEXIT_RUNTIME=0
  -sSINGLE_FILE=1 -sFORCE_FILESYSTEM=1 -sALLOW_MEMORY_GROWTH=1
  -sENVIRONMENT=web,node
  -sEXPORTED_FUNCTIONS=_main,_fflush -sEXPORTED_RUNTIME_METHODS=callMain,FS)
