# The Debian packages, made by `cpack` in the build folder from the install components (see
# PagInstall.cmake): pag-server, pag-desktop and pag-script, their dependencies found by
# dpkg-shlibdeps.

set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL pag-server pag-script)
if(PAG_BUILD_DESKTOP)
  list(APPEND CPACK_COMPONENTS_ALL pag-desktop)
endif()
set(CPACK_PACKAGE_NAME pag00900)
set(CPACK_PACKAGE_VENDOR "pag00900")
set(CPACK_PACKAGE_CONTACT ${PAG_PACKAGE_CONTACT})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://localhost/pag00900")

# The first line of each is the package's synopsis, the rest its long description.
set(CPACK_DEBIAN_PAG-SERVER_PACKAGE_NAME pag-server)
set(CPACK_DEBIAN_PAG-SERVER_PACKAGE_SECTION net)
set(CPACK_COMPONENT_PAG-SERVER_DESCRIPTION
  "application server of the PAG00900 accounts-payable module\n\
Serves the write-off accounting recalculation of the PAG00900 screen to the\n\
desktop and scripted hosts over HTTP or HTTPS, on SQLite or PostgreSQL.\n\
Comes with a systemd service and its configuration file\n\
/etc/pag00900/pag-server.conf.")
# The configuration file is the administrator's: an upgrade keeps their changes.
file(WRITE ${PROJECT_BINARY_DIR}/packaging/conffiles "/etc/pag00900/pag-server.conf\n")
set(CPACK_DEBIAN_PAG-SERVER_PACKAGE_CONTROL_EXTRA ${PROJECT_BINARY_DIR}/packaging/conffiles)

set(CPACK_DEBIAN_PAG-DESKTOP_PACKAGE_NAME pag-desktop)
set(CPACK_DEBIAN_PAG-DESKTOP_PACKAGE_SECTION x11)
set(CPACK_COMPONENT_PAG-DESKTOP_DESCRIPTION
  "desktop host of the PAG00900 accounts-payable screens\n\
The Qt desktop that opens the PAG00900 write-off accounting screen and the\n\
CTB10200 accounting screen from their modules, against a pag-server. Holds the\n\
modules, the help pages and the menu entry.")

set(CPACK_DEBIAN_PAG-SCRIPT_PACKAGE_NAME pag-script)
set(CPACK_COMPONENT_PAG-SCRIPT_DESCRIPTION
  "scripted host of the PAG00900 accounts-payable screens\n\
Drives the PAG00900 module from a script without a display and prints a\n\
transcript of the screens, for tests and automation against a pag-server.")
# The modules it drives are in pag-desktop, of the same version.
set(CPACK_DEBIAN_PAG-SCRIPT_PACKAGE_DEPENDS "pag-desktop (= ${PROJECT_VERSION})")

include(CPack)
