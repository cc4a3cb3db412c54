# The driver's exports as koordin looks them up, generated from the driver's export list, so that
# their names are written once: driver_exports.h in the build tree.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/driver/vp6fio.def)
file(STRINGS ${PROJECT_SOURCE_DIR}/driver/vp6fio.def def_lines REGEX "^(LIBRARY|[ \t]+FIO_)")
set(VP6FIO_DRIVER_EXPORTS "")
foreach(line IN LISTS def_lines)
  if(line MATCHES "^LIBRARY[ \t]+([A-Za-z0-9_]+)")
    set(VP6FIO_LIBRARY_NAME ${CMAKE_MATCH_1})
  elseif(line MATCHES "^[ \t]+FIO_([A-Za-z0-9_]+)[ \t]")
    string(APPEND VP6FIO_DRIVER_EXPORTS "  X(${CMAKE_MATCH_1}) \\\n")
  else()
    message(FATAL_ERROR "driver/vp6fio.def: unexpected line \"${line}\"")
  endif()
endforeach()
configure_file(${CMAKE_CURRENT_LIST_DIR}/driver_exports.h.in
  ${PROJECT_BINARY_DIR}/tools/koordin/instrument/driver_exports.h @ONLY)
target_include_directories(koordin_host PUBLIC ${PROJECT_BINARY_DIR})
