# Packages made with CPack from the install components of the tree:
#
# - on Linux, three Debian packages (cmake --workflow --preset package):
#   libvantrel0 (the shared library), libvantrel-dev (headers, CMake
#   package, vantrel.pc, the .so link, the example plug-in), vantrel (the
#   tool and its manual page);
# - on Windows, one zip with the DLLs, the import library, the headers, the
#   CMake package and the tool (cmake --workflow --preset windows).
set(CPACK_PACKAGE_NAME vantrel)
set(CPACK_PACKAGE_VENDOR "The Vantrel developers")
set(CPACK_PACKAGE_CONTACT "The Vantrel developers <vantrel@localhost>")
# The synopsis of each package is the first line of its own description
# (below). A CPACK_PACKAGE_DESCRIPTION_SUMMARY would be put in front of every
# package's description by CPack's Debian generator. The lines after the
# first are written without a leading blank: the generator indents them
# (once), and a line indented twice shows as a verbatim block.
set(VANTREL_PACKAGE_SUMMARY
  "Job properties from the DSC comments of PostScript files")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_RESOURCE_FILE_README ${PROJECT_SOURCE_DIR}/README.md)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR})
set(CPACK_STRIP_FILES ON)

set(CPACK_COMPONENTS_ALL runtime dev cli)
set(CPACK_COMPONENT_DEV_DEPENDS runtime)
set(CPACK_COMPONENT_CLI_DEPENDS runtime)

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  # One zip holding every component, laid out as the install tree.
  set(CPACK_ARCHIVE_COMPONENT_INSTALL OFF)
  set(CPACK_PACKAGE_FILE_NAME vantrel-${PROJECT_VERSION}-windows-x86_64)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEB_COMPONENT_INSTALL ON)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION libs)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  # Dependencies on the system's libraries found by dpkg-shlibdeps; those
  # between the three packages from the components (same version).
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
  # The tool links libvantrel.so.0 of this build: not a system library.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${PROJECT_BINARY_DIR})

  set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME libvantrel${PROJECT_VERSION_MAJOR})
  set(CPACK_DEBIAN_RUNTIME_DESCRIPTION
    "${VANTREL_PACKAGE_SUMMARY} - shared library\nThe library that RIP front ends and job-ticket software load to read the\ncrop, page counts, creator and the other job properties of a print file.")
  # A shlibs file for packages built against the library, and the ldconfig
  # trigger.
  # Written here rather than made by CPack (CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS),
  # which reads every shared object of every package and warns about the
  # example plug-in of libvantrel-dev, a module without a soname.
  set(VANTREL_SHLIBS ${PROJECT_BINARY_DIR}/cpack/runtime/shlibs)
  file(WRITE ${VANTREL_SHLIBS}
    "libvantrel ${PROJECT_VERSION_MAJOR} libvantrel${PROJECT_VERSION_MAJOR} (>= ${PROJECT_VERSION})\n")
  set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA ${VANTREL_SHLIBS})

  set(CPACK_DEBIAN_DEV_PACKAGE_NAME libvantrel-dev)
  set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
  set(CPACK_DEBIAN_DEV_DESCRIPTION
    "${VANTREL_PACKAGE_SUMMARY} - development files\nHeaders, the CMake package (find_package(vantrel)), vantrel.pc for\npkg-config, and the example XRX plug-in with its sources.")

  set(CPACK_DEBIAN_CLI_PACKAGE_NAME vantrel)
  set(CPACK_DEBIAN_CLI_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_CLI_DESCRIPTION
    "${VANTREL_PACKAGE_SUMMARY} - command-line tool\nvantrel lists what the library finds in print files, as text or JSON;\nsee vantrel(1). With bash completion.")
endif()

include(CPack)
