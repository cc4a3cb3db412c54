include_guard(GLOBAL)

# Defines the interface target `target` whose include folder holds only /usr/include/`folder`
# (linked into the build tree), so that a cross build sees no other header of the build machine.
function(koordin_host_headers target folder)
  if(TARGET ${target})
    return()
  endif()
  set(root ${CMAKE_BINARY_DIR}/host-headers/${folder})
  file(MAKE_DIRECTORY ${root})
  if(NOT EXISTS ${root}/${folder})
    if(NOT IS_DIRECTORY /usr/include/${folder})
      message(FATAL_ERROR "/usr/include/${folder} is missing: run scripts/setup")
    endif()
    file(CREATE_LINK /usr/include/${folder} ${root}/${folder} SYMBOLIC)
  endif()
  add_library(${target} INTERFACE IMPORTED GLOBAL)
  set_target_properties(${target} PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${root})
endfunction()
