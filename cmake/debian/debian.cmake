# The Debian packages, one per install component (VP6FIO_PACKAGES: component, package):
#   libvp6fio1     the driver and its runtime library
#   libvp6fio-dev  headers, link names, the records library, the CMake and pkg-config packages
#   koordin        the program, its manual page and its bash completion
# Each holds its copyright file and changelog in /usr/share/doc/<package>, as Debian requires.
set(debian ${CMAKE_CURRENT_LIST_DIR})
set(doc ${CMAKE_INSTALL_DATAROOTDIR}/doc)

# The changelog names the version it describes: a version changed without it fails here.
file(STRINGS ${debian}/changelog top LIMIT_COUNT 1)
if(NOT top MATCHES "^vp6fio \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "cmake/debian/changelog: its first entry is not of ${PROJECT_VERSION}")
endif()

# The copyright file: who holds it, and the license's text.
file(READ ${PROJECT_SOURCE_DIR}/LICENSE license)
file(WRITE ${PROJECT_BINARY_DIR}/debian/copyright
  "vp6fio: the KOORDIN file driver libvp6fio, its runtime library and the program koordin.\n"
  "License: MIT (Expat)\n\n${license}")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/LICENSE
  ${debian}/changelog)

# Compressed as Debian compresses them: the most, without name or time stamp.
set(compressed)
foreach(pair IN ITEMS "${debian}/changelog;changelog.gz"
                      "${PROJECT_SOURCE_DIR}/tools/koordin/cli/koordin.1;koordin.1.gz")
  list(GET pair 0 source)
  list(GET pair 1 target)
  add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/debian/${target}
    COMMAND sh -c "gzip -9n <\"$0\" >\"$1\"" ${source} ${PROJECT_BINARY_DIR}/debian/${target}
    DEPENDS ${source} VERBATIM)
  list(APPEND compressed ${PROJECT_BINARY_DIR}/debian/${target})
endforeach()
add_custom_target(debian_documents ALL DEPENDS ${compressed})

list(LENGTH VP6FIO_PACKAGES count)
math(EXPR last "${count} - 1")
foreach(i RANGE 0 ${last} 2)
  math(EXPR j "${i} + 1")
  list(GET VP6FIO_PACKAGES ${i} component)
  list(GET VP6FIO_PACKAGES ${j} package)
  install(FILES ${PROJECT_BINARY_DIR}/debian/copyright ${PROJECT_BINARY_DIR}/debian/changelog.gz
    DESTINATION ${doc}/${package} COMPONENT ${component})
  if(EXISTS ${debian}/${component}.lintian-overrides)
    install(FILES ${debian}/${component}.lintian-overrides
      DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/lintian/overrides RENAME ${package}
      COMPONENT ${component})
  endif()
  string(TOUPPER ${component} COMPONENT)
  set(CPACK_DEBIAN_${COMPONENT}_PACKAGE_NAME ${package})
  set(VP6FIO_${COMPONENT}_PACKAGE ${package})
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${doc}/${VP6FIO_DEVELOPMENT_PACKAGE}
  COMPONENT development)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/ DESTINATION ${doc}/${VP6FIO_DEVELOPMENT_PACKAGE}/examples
  COMPONENT development)
if(VP6FIO_BUILD_KOORDIN)
  install(FILES ${PROJECT_BINARY_DIR}/debian/koordin.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
    COMPONENT koordin)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL runtime development)
if(VP6FIO_BUILD_KOORDIN)
  list(APPEND CPACK_COMPONENTS_ALL koordin)
endif()
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "vp6fio developers <dev@vp6fio.invalid>")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The runtime library that koordin links lies in another of the packages: dpkg-shlibdeps finds
# it in the build tree (and the dependency on its package is written out below).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${PROJECT_BINARY_DIR}/bin)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
set(same_version "(= ${PROJECT_VERSION})")
# Each package's description begins with its own summary. CPackDeb puts the project's summary
# before it unless that is CPack's default text.
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_NAME} built using CMake")

set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
# The shlibs file makes a host's package depend on this version or a later one of the same SONAME.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
# The loader's cache is rebuilt by dpkg's ldconfig trigger. CPack writes an ldconfig call into
# postinst and postrm unless a package brings its own: these are empty.
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA ${debian}/runtime/triggers ${debian}/runtime/postinst
  ${debian}/runtime/postrm)
set(CPACK_DEBIAN_RUNTIME_DESCRIPTION "KOORDIN file driver for the VP6 variometer
The vp6fio driver reads and writes the KOORDIN coordinate file of the VP6
variometer for a flight-planning host program, which loads it at run time.
This package holds the driver and the runtime library that driver and host
share.")

set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS "${VP6FIO_RUNTIME_PACKAGE} ${same_version}")
set(CPACK_DEBIAN_DEVELOPMENT_DESCRIPTION "KOORDIN file driver for the VP6 variometer - development files
The vp6fio driver reads and writes the KOORDIN coordinate file of the VP6
variometer for a flight-planning host program, which loads it at run time.
This package holds what a host is built with: the headers, the records
library, the CMake package and the pkg-config file, and an example host.")

set(CPACK_DEBIAN_KOORDIN_PACKAGE_SECTION utils)
# koordin links the runtime library and loads the driver at run time.
set(CPACK_DEBIAN_KOORDIN_PACKAGE_DEPENDS "${VP6FIO_RUNTIME_PACKAGE} ${same_version}")
set(CPACK_DEBIAN_KOORDIN_DESCRIPTION "convert turnpoints and tasks to and from the VP6 KOORDIN file
koordin converts the turnpoints and tasks of CUP, GPX, CSV and JSON files
into the KOORDIN coordinate file of the VP6 variometer and back, through the
vp6fio driver, and checks and lists such files.")
