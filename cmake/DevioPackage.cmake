# The Debian packages (`cpack -G DEB` in the build folder, after the build):
#   vantor-dfu     the "tool" component: the programs, man pages, bash completion, udev rules,
#                  desktop entry and icons; its dependencies come from the binaries (shlibdeps)
#                  and it reloads the udev rules when installed or removed
#   libdevio-dev   the "dev" component: the devio library for applications
# Each carries the copyright file and the changelog Debian asks for.
foreach(package vantor-dfu libdevio-dev)
  if(package STREQUAL "vantor-dfu")
    set(component tool)
  else()
    set(component dev)
  endif()
  install(FILES packaging/debian/copyright
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${component})
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${component})
endforeach()
# Debian wants the changelog compressed, without a time stamp in it.
execute_process(COMMAND gzip -9nc ${PROJECT_SOURCE_DIR}/packaging/debian/changelog
  OUTPUT_FILE ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz COMMAND_ERROR_IS_FATAL ANY)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
  ${PROJECT_SOURCE_DIR}/packaging/debian/changelog)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME devio)
set(CPACK_PACKAGE_VENDOR Varkon)
set(CPACK_PACKAGE_CONTACT "Varkon support <support@varkon.example>")
set(CPACK_PACKAGE_HOMEPAGE_URL https://support.varkon.example/vantor)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_COMPONENTS_ALL tool dev)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_DEBIAN_TOOL_PACKAGE_NAME vantor-dfu)
set(CPACK_DEBIAN_TOOL_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_TOOL_PACKAGE_SHLIBDEPS ON)
# The first line is the synopsis; CPack indents the others (so they have no leading space here,
# and "." stands for an empty line).
set(CPACK_COMPONENT_TOOL_DESCRIPTION "firmware update tool for the Varkon Vantor mouse
vantor-dfu finds the Varkon Vantor mouse behind its Tessaly receiver and
brings its firmware up to the version it carries: in a dialog, in the
terminal, or unattended.
.
devio-probe lists the receivers and devices the devio library finds, for
users and support; devio-uhid-sim plays a virtual receiver and mouse on the
kernel's HID stack. The udev rules give the user at the machine access to
the maker's devices.")
set(CPACK_DEBIAN_TOOL_PACKAGE_CONTROL_EXTRA
  ${PROJECT_SOURCE_DIR}/packaging/debian/postinst ${PROJECT_SOURCE_DIR}/packaging/debian/postrm)

set(CPACK_DEBIAN_DEV_PACKAGE_NAME libdevio-dev)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS "libudev-dev")
set(CPACK_COMPONENT_DEV_DESCRIPTION "device I/O library for HID devices and wireless receivers
devio finds HID devices and the devices paired to their wireless
receivers, and talks to them through their features. This package holds
the static library, its headers, the CMake package (find_package(devio),
target devio::devio) and the pkg-config file devio.pc.")

include(CPack)
