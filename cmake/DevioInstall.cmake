# What `cmake --install` and the Debian package put where (GNUInstallDirs). Two components:
# "tool" (the programs, the udev rules, man pages, bash completion, desktop entry and icons) and
# "dev" (the devio library for applications: headers, static archives, CMake package, pkg-config).
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)
include(cmake/DevioPublicHeaders.cmake)

# udev reads packaged rules from <prefix>/lib/udev/rules.d (/usr/lib/udev/rules.d for the package,
# /usr/local/lib/udev/rules.d for an install by hand).
set(DEVIO_UDEV_RULES_DIR "lib/udev/rules.d" CACHE STRING
  "Folder for the udev rules, relative to the install prefix")

# The programs.
set(devio_programs devio-probe devio-uhid-sim)
if(TARGET vantor-dfu)
  list(PREPEND devio_programs vantor-dfu)
endif()
install(TARGETS ${devio_programs} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT tool)
install(FILES packaging/udev/70-varkon.rules DESTINATION ${DEVIO_UDEV_RULES_DIR} COMPONENT tool)
# Bash completion, loaded on demand by the bash-completion package.
foreach(program IN LISTS devio_programs)
  install(FILES packaging/bash-completion/${program}
    DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions COMPONENT tool)
endforeach()
if(DEVIO_BUILD_TOOLS)
  include(cmake/DevioManPages.cmake)
  # The menu entry of the update tool and its icon (packaging/icons/make-icons.py drew them).
  install(FILES packaging/desktop/vantor-dfu.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT tool)
  file(GLOB devio_icon_sizes RELATIVE ${PROJECT_SOURCE_DIR}/packaging/icons
    ${PROJECT_SOURCE_DIR}/packaging/icons/*x*)
  foreach(size IN LISTS devio_icon_sizes)
    install(FILES packaging/icons/${size}/vantor-dfu.png
      DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}/apps COMPONENT tool)
  endforeach()
endif()

# The library: the three static archives behind devio::devio, and the public headers.
target_include_directories(devio INTERFACE
  $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}/devio>)
target_compile_features(devio INTERFACE cxx_std_20)
install(TARGETS devio devio_features devio_core devio_system EXPORT devioTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT dev)
devio_public_headers(devio_headers)
foreach(header IN LISTS devio_headers)
  get_filename_component(folder ${header} DIRECTORY)
  install(FILES ${header} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/devio/${folder} COMPONENT dev)
endforeach()

set(devio_cmake_dir ${CMAKE_INSTALL_LIBDIR}/cmake/devio)
install(EXPORT devioTargets NAMESPACE devio:: DESTINATION ${devio_cmake_dir} COMPONENT dev)
configure_package_config_file(cmake/devioConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/devioConfig.cmake INSTALL_DESTINATION ${devio_cmake_dir})
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/devioConfigVersion.cmake
  COMPATIBILITY SameMinorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/devioConfig.cmake
  ${CMAKE_CURRENT_BINARY_DIR}/devioConfigVersion.cmake
  DESTINATION ${devio_cmake_dir} COMPONENT dev)

# devio.pc finds its prefix from its own place, so the installed tree may be moved.
set(devio_pc_dir ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
string(REGEX REPLACE "[^/]+" ".." DEVIO_PC_TO_PREFIX ${devio_pc_dir})
configure_file(cmake/devio.pc.in ${CMAKE_CURRENT_BINARY_DIR}/devio.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/devio.pc DESTINATION ${devio_pc_dir} COMPONENT dev)
