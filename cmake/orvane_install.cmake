# Installation and the Debian package.
#
# The installed folder mirrors build/app: the executables beside cfg/, cfg_help/ and help/,
# so the programs find their data the same way as in a portable folder. The install step adds
# the marker file that makes the programs use the per-user folder (platform/app_folder.h).
# The desktop entry and the icon go to the system's shared data folder (absolute, DESTDIR
# honoured), where desktop menus look for them.

if(CMAKE_INSTALL_PREFIX_INITIALIZED_TO_DEFAULT)
  set(CMAKE_INSTALL_PREFIX /opt/orvane CACHE PATH "Install folder" FORCE)
endif()
set(ORVANE_DESKTOP_DATADIR /usr/share CACHE PATH
    "Shared data folder that receives the desktop entry and the icon")

set(orvane_installed_programs orvane-run orvane-at orvane-sim)
if(TARGET orvane)
  list(PREPEND orvane_installed_programs orvane)
endif()
install(TARGETS ${orvane_installed_programs} RUNTIME DESTINATION .)
# cfg/, cfg_help/ and help/ are installed where they are staged (data/CMakeLists.txt).
install(FILES ${PROJECT_SOURCE_DIR}/data/desktop/orvane.installed DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/data/desktop/orvane.svg
        DESTINATION ${ORVANE_DESKTOP_DATADIR}/icons/hicolor/scalable/apps)
if(TARGET orvane)
  # Made at install time, so that Exec names the folder actually installed to
  # (cmake --install --prefix, or the package's /opt/orvane).
  install(CODE "
    set(ORVANE_DESKTOP_EXEC \"\${CMAKE_INSTALL_PREFIX}/orvane\")
    configure_file(\"${PROJECT_SOURCE_DIR}/data/desktop/orvane.desktop.in\"
                   \"${CMAKE_BINARY_DIR}/install/orvane.desktop\" @ONLY)
    file(INSTALL DESTINATION \"${ORVANE_DESKTOP_DATADIR}/applications\" TYPE FILE
         FILES \"${CMAKE_BINARY_DIR}/install/orvane.desktop\")
  ")
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "orvane")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "checks an AT-command modem on a serial port")
set(CPACK_PACKAGE_DESCRIPTION
    "orvane finds the port and baud rate where a modem answers, runs a command list against it
(command, expected answer, answer wait, delay), judges every answer and shows the exchange.
The package holds the desktop tool (orvane), the same test without windows for scripts
(orvane-run), the modem engine at the command line (orvane-at: send commands, watch
reports, place and answer calls) and a simulated modem for dry runs (orvane-sim). Settings and command lists
live in each user's ~/.local/share/orvane, seeded from /opt/orvane on first start.")
set(ORVANE_PACKAGE_MAINTAINER "orvane maintainers <maintainers@orvane.invalid>" CACHE STRING
    "Maintainer field of the Debian package")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${ORVANE_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /opt/orvane)
set(CPACK_STRIP_FILES ON)
find_program(ORVANE_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(ORVANE_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
  # Without dpkg-dev: the libraries the executables link, as Debian 12 names them.
  set(CPACK_DEBIAN_PACKAGE_DEPENDS
      "libc6 (>= 2.34), libstdc++6 (>= 12), libgcc-s1, libqt6core6 (>= 6.4), libqt6gui6 (>= 6.4), libqt6widgets6 (>= 6.4), libxcb1")
endif()
include(CPack)
