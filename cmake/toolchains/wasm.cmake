# koordin for the browser page: Debian's emscripten, everything linked into one WebAssembly module.
include(/usr/share/emscripten/cmake/Modules/Platform/Emscripten.cmake)

# koordin reports every failure by exception; emscripten does not catch them unless asked to.
# WebAssembly's own exceptions: with emscripten's JavaScript ones every call that may throw goes
# through JavaScript, and the page's plan of a national file takes half as long again. Optimized
# across files at the link, the plan takes a tenth less.
set(CMAKE_C_FLAGS_INIT "-flto")
set(CMAKE_CXX_FLAGS_INIT "-fwasm-exceptions -flto")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-fwasm-exceptions -flto")

# The header-only libraries come from the build machine, each through its own include folder only
# (cmake/wasm/), never through all of /usr/include.
set(CLI11_DIR ${CMAKE_CURRENT_LIST_DIR}/../wasm)
set(nlohmann_json_DIR ${CMAKE_CURRENT_LIST_DIR}/../wasm)
