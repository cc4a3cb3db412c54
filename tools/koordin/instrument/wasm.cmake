# koordin for the browser (WebAssembly), which has no run-time loading: the driver is linked into
# koordin, and the loader finds its exports by name in a table of the driver's exports.
target_sources(koordin_host PRIVATE instrument/platform_linked_library.cpp)
target_link_libraries(koordin_host PUBLIC vp6fio)

# koordin as a JavaScript module for the browser page: one file with the WebAssembly inside, so
# that the page works opened from disk; main is called with a command line, as often as the page
# likes, on the in-memory file system, in a Web Worker; fflush hands the page what koordin's streams
# still hold.
target_link_options(koordin PRIVATE
  -sMODULARIZE=1 -sEXPORT_NAME=createKoordin
  -sINVOKE_RUN=0 -sEXIT_RUNTIME=0
  -sSINGLE_FILE=1 -sFORCE_FILESYSTEM=1 -sALLOW_MEMORY_GROWTH=1
  -sENVIRONMENT=web,worker,node
  -sEXPORTED_FUNCTIONS=_main,_fflush -sEXPORTED_RUNTIME_METHODS=callMain,FS)

# The C library's strtod with a fast path for the decimals of coordinates and elevations.
target_sources(koordin PRIVATE ${PROJECT_SOURCE_DIR}/cmake/wasm/strtod.c)
target_link_options(koordin PRIVATE -Wl,--wrap=strtod)
