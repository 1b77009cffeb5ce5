# Where the installation puts things (GNUInstallDirs): the programs in bin, the modules and
# their satellite texts in a private library folder, the data in share. Included before the
# folders, which use these names.
include(GNUInstallDirs)

set(PAG_INSTALL_MODULEDIR ${CMAKE_INSTALL_LIBDIR}/pag00900)
set(PAG_INSTALL_DATADIR ${CMAKE_INSTALL_DATADIR}/pag00900)

# The hosts find the modules relative to their own file, so an installation can move (a staging
# folder, a package's root): the module folder as seen from the program folder.
file(RELATIVE_PATH PAG_MODULE_DIR_FROM_BINDIR
  ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_LIBDIR}/pag00900)
