# Installation (`cmake --install`) and the Debian package (`make package`): the window and the
# batch runner in bin/, the desktop menu entry and its icon, and the example model directories.
# Included from the top-level CMakeLists.txt so that CPack's `package` target lands there.
include(GNUInstallDirs)

foreach(program velmora velmora-batch)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()
# Only the models: result and history folders of a run made inside examples/ stay out.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/
  DESTINATION ${CMAKE_INSTALL_DATADIR}/velmora/examples
  PATTERN compResult EXCLUDE PATTERN history EXCLUDE)
if(TARGET velmora)
  install(FILES ${CMAKE_CURRENT_LIST_DIR}/velmora.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${CMAKE_CURRENT_LIST_DIR}/velmora.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  install(FILES ${CMAKE_CURRENT_LIST_DIR}/velmora.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/128x128/apps)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velmora)
set(CPACK_PACKAGE_VENDOR "Velmora developers")
set(CPACK_PACKAGE_CONTACT "Velmora developers <velmora@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "identify the parameters of ODE models from data by the Cluster Newton method")
# The long description below the summary line of `apt show velmora`.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Velmora fits pharmacokinetic and PBPK compartment \
models written as ODE systems to measured data. A cluster of parameter points is moved \
together towards every parameter set that reproduces the data, so non-identifiable parameters \
show up as curves and clouds instead of one misleadingly precise number. The package holds \
the window (velmora), the headless runner (velmora-batch) and example model directories in \
/usr/share/velmora/examples.")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
# velmora_<version>_<arch>.deb; the Qt 5 runtime libraries (never the -dev packages) are
# found by dpkg-shlibdeps from what the programs actually link.
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The exported R and MATLAB scripts run with these.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "r-base-core, r-cran-desolve, octave")
set(CPACK_STRIP_FILES ON)
include(CPack)
