# zlib for the WebAssembly build, which has no system library to link: Debian's source package of
# the zlib that the native build links (scripts/wasm-sources unpacks it), so that koordin inflates
# CUPX files alike in both. Only what inflating needs.
include_guard(GLOBAL)
set(VP6FIO_ZLIB_SOURCE "" CACHE PATH "zlib's sources: the folder that holds inflate.c")
if(NOT EXISTS ${VP6FIO_ZLIB_SOURCE}/inflate.c)
  message(FATAL_ERROR "VP6FIO_ZLIB_SOURCE=\"${VP6FIO_ZLIB_SOURCE}\" holds no zlib sources: "
    "scripts/wasm-sources unpacks them")
endif()
add_library(zlib STATIC
  ${VP6FIO_ZLIB_SOURCE}/adler32.c
  ${VP6FIO_ZLIB_SOURCE}/crc32.c
  ${VP6FIO_ZLIB_SOURCE}/inffast.c
  ${VP6FIO_ZLIB_SOURCE}/inflate.c
  ${VP6FIO_ZLIB_SOURCE}/inftrees.c
  ${VP6FIO_ZLIB_SOURCE}/zutil.c)
target_include_directories(zlib SYSTEM PUBLIC ${VP6FIO_ZLIB_SOURCE})
target_compile_options(zlib PRIVATE -w)  # not our code: its warnings are not ours to heed
add_library(ZLIB::ZLIB ALIAS zlib)
