# koordin for the browser page: Debian's emscripten, everything linked into one WebAssembly module.
include(/usr/share/emscripten/cmake/Modules/Platform/Emscripten.cmake)

# koordin reports every failure by exception; emscripten does not catch them unless asked to.
set(CMAKE_CXX_FLAGS_INIT "-fexceptions")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-fexceptions")

# The header-only libraries come from the build machine, each through its own include folder only
# (cmake/wasm/), never through all of /usr/include.
set(CLI11_DIR ${CMAKE_CURRENT_LIST_DIR}/../wasm)
set(nlohmann_json_DIR ${CMAKE_CURRENT_LIST_DIR}/../wasm)
