# What `cmake --install` puts where, under the usual places of a Linux desktop, and the Debian
# package CPack makes of it (tools/package).
include(GNUInstallDirs)

install(TARGETS kolvar RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES src/app/kolvar.fig DESTINATION ${CMAKE_INSTALL_DATADIR}/kolvar)
install(DIRECTORY data/scenes/ DESTINATION ${CMAKE_INSTALL_DATADIR}/kolvar/scenes FILES_MATCHING PATTERN "*")
install(FILES data/kolvar.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES data/kolvar-mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME kolvar.xml)
install(FILES data/icons/kolvar.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 16 32 48 64 128 256)
  install(FILES data/icons/kolvar-${size}.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME kolvar.png)
endforeach()
install(FILES data/kolvar.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
if(EXISTS ${PROJECT_SOURCE_DIR}/docs)
  install(DIRECTORY docs/ DESTINATION ${CMAKE_INSTALL_DOCDIR})
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kolvar)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "kolvar developers <kolvar@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "teaches binary space partitioning trees of 3-D polygons")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "teaches binary space partitioning trees of 3-D polygons
kolvar opens one window with the 3-D scene, the 3-D partition built so far and the BSP tree as
a diagram whose waiting polygons are clickable. Each click picks a splitter, files and splits the
other polygons and grows the tree; a viewer point gives the far-to-near painter's order.")
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The libraries it links, as dpkg-shlibdeps finds them, and Qt's platform plugins.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "desktop-file-utils, shared-mime-info")
include(CPack)
