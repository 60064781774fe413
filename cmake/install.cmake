# Installation and the Debian package.
#
# The program finds its fixed data in its own folder, so the executable and its data files live
# together in PREFIX/lib/qorn; PREFIX/bin/qorn is a relative symbolic link to it (the program
# folder is the link's target folder, not bin/). Nothing is written there at run time.

set(QORN_PROGRAM_DIR lib/qorn)

install(TARGETS qorn RUNTIME DESTINATION ${QORN_PROGRAM_DIR})
install(FILES
  ${PROJECT_SOURCE_DIR}/data/defpal.dat
  ${PROJECT_SOURCE_DIR}/data/qorn.sym
  ${PROJECT_SOURCE_DIR}/data/Qorn.html
  DESTINATION ${QORN_PROGRAM_DIR})

# Made once in the build tree and installed as a link, which also works under DESTDIR.
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/install-link)
file(CREATE_LINK ../${QORN_PROGRAM_DIR}/qorn ${CMAKE_BINARY_DIR}/install-link/qorn SYMBOLIC)
install(FILES ${CMAKE_BINARY_DIR}/install-link/qorn DESTINATION bin)

install(FILES ${PROJECT_SOURCE_DIR}/data/qorn.desktop DESTINATION share/applications)
install(FILES ${PROJECT_SOURCE_DIR}/data/qorn-mime.xml DESTINATION share/mime/packages RENAME qorn.xml)
install(DIRECTORY ${QORN_ICON_DIR}/hicolor DESTINATION share/icons)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION share/doc/qorn RENAME copyright)

# The package version is the one the program reports (--version and the about box).
file(STRINGS ${PROJECT_SOURCE_DIR}/src/core/app/command_line.h qorn_version_line
     REGEX "kProgramVersion\\[\\] = \"Ver\\.[0-9.]+\"")
string(REGEX REPLACE ".*\"Ver\\.([0-9.]+)\".*" "\\1" QORN_PACKAGE_VERSION "${qorn_version_line}")

set(QORN_PACKAGE_MAINTAINER "QORN maintainers <maintainers@qorn.invalid>"
    CACHE STRING "Maintainer named in the Debian package")

set(CPACK_PACKAGE_NAME qorn)
set(CPACK_PACKAGE_VERSION ${QORN_PACKAGE_VERSION})
set(CPACK_PACKAGE_VENDOR "QORN")
set(CPACK_PACKAGE_CONTACT ${QORN_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "knitting and cross-stitch chart editor")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "QORN draws knitting and cross-stitch charts: a chart is a small colour picture,\n"
  "one pixel per stitch, shown magnified with cells shaped by the knitting gauge.\n"
  "It imports pictures (BMP, TIFF, PCX, PICT, JPEG) with colour reduction to its\n"
  "palette, prints charts with symbols and writes them as text. The user interface\n"
  "is in Japanese.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time, so dpkg-shlibdeps cannot see them: the Japanese font the UI is laid out
# for and the image plug-ins that read TIFF.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-ipafont-gothic, qt6-image-formats-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
include(CPack)
