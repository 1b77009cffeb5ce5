# Install rules, one component per Debian package: pag-server (the server, its service unit and
# configuration file), pag-desktop (the desktop host, both modules, the help, its menu entry and
# icon) and pag-script (the scripted host). Files outside the prefix (/etc, the systemd unit
# folder) are EXCLUDE_FROM_ALL: the packages carry them, a `cmake --install --prefix DIR` leaves
# the system alone.

set(_pag_packaging ${PROJECT_SOURCE_DIR}/packaging)
set(_pag_generated ${PROJECT_BINARY_DIR}/packaging)

# The packages' changelog, with the project's version and the maintainer the packages name.
set(PAG_PACKAGE_CONTACT "Equipe do PAG00900 <pag00900@example.org>" CACHE STRING
  "The maintainer of the Debian packages: \"Name <address>\"")
configure_file(${_pag_packaging}/changelog.in ${_pag_generated}/changelog @ONLY)

# Compressed as Debian wants them (gzip -9n: no name, no time stamp): the man pages and the
# changelog.
set(_pag_gzipped)
foreach(_pag_page IN ITEMS pag-server pag-desktop pag-script)
  list(APPEND _pag_gzipped ${_pag_packaging}/man/${_pag_page}.1)
endforeach()
list(APPEND _pag_gzipped ${_pag_generated}/changelog)
set(_pag_gzipped_outputs)
foreach(_pag_file IN LISTS _pag_gzipped)
  get_filename_component(_pag_name ${_pag_file} NAME)
  add_custom_command(OUTPUT ${_pag_generated}/${_pag_name}.gz
    COMMAND gzip -9n -c ${_pag_file} > ${_pag_generated}/${_pag_name}.gz
    DEPENDS ${_pag_file}
    VERBATIM)
  list(APPEND _pag_gzipped_outputs ${_pag_generated}/${_pag_name}.gz)
endforeach()
add_custom_target(pag_packaging_files ALL DEPENDS ${_pag_gzipped_outputs})

# _pag_install_program(TARGET): a program, its man page, and the copyright and changelog every
# Debian package carries; the component is the program's name.
function(_pag_install_program target)
  install(TARGETS ${target} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT ${target})
  install(FILES ${_pag_generated}/${target}.1.gz
    DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT ${target})
  install(FILES ${_pag_packaging}/copyright ${_pag_generated}/changelog.gz
    DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${target} COMPONENT ${target})
endfunction()

_pag_install_program(pag-server)
install(FILES ${_pag_packaging}/pag-server.conf
  DESTINATION /etc/pag00900 COMPONENT pag-server EXCLUDE_FROM_ALL)
install(FILES ${_pag_packaging}/pag-server.service
  DESTINATION /lib/systemd/system COMPONENT pag-server EXCLUDE_FROM_ALL)

_pag_install_program(pag-script)
install(FILES ${PROJECT_SOURCE_DIR}/scripted/demo.pag
  DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/pag-script/examples COMPONENT pag-script)

# The modules travel with the desktop; the scripted host's package depends on it for them.
install(TARGETS PKG_PAG00900 CTB10200
  LIBRARY DESTINATION ${PAG_INSTALL_MODULEDIR} COMPONENT pag-desktop)
# Satellite texts, when the module ships any: libPKG_PAG00900.<locale> beside the module.
file(GLOB _pag_satellites ${PROJECT_SOURCE_DIR}/module/libPKG_PAG00900.*)
if(_pag_satellites)
  install(FILES ${_pag_satellites} DESTINATION ${PAG_INSTALL_MODULEDIR} COMPONENT pag-desktop)
endif()

if(PAG_BUILD_DESKTOP)
  _pag_install_program(pag-desktop)
  install(FILES ${_pag_packaging}/pag-desktop.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT pag-desktop)
  install(FILES ${_pag_packaging}/pag-desktop.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps COMPONENT pag-desktop)
endif()
