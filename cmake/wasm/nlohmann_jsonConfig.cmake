# nlohmann-json for the WebAssembly build: Debian's headers, seen through a folder that holds only
# them.
include(${CMAKE_CURRENT_LIST_DIR}/host_headers.cmake)
koordin_host_headers(nlohmann_json::nlohmann_json nlohmann)
