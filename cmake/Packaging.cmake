# The Debian package: `cpack -G DEB` in a build folder writes pelmora_<version>_amd64.deb of what
# `cmake --install` puts under /usr.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${PROJECT_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR mirqo)
set(CPACK_PACKAGE_CONTACT "mirqo <pelmora@example.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "archive a blog into one compiled HTML Help (CHM) file")
set(CPACK_PACKAGE_DESCRIPTION
    "Pelmora finds the articles of one user's public blog on a blog host, downloads them, writes
index pages that can be browsed offline and compiles everything into one CHM file with its own
compiler. It comes as a window (pelmora) and as a command (pelmora-cli), with a sample blog
host (pelmora-sample-host) to try it on.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION web)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://example.invalid/pelmora)
# dpkg-shlibdeps adds the Qt 6 libraries the programs link. The platform plugins are loaded at
# run time, so nothing links them, and libqt6gui6 only recommends them: without them the window
# cannot open.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS qt6-qpa-plugins)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "kchmviewer | xchm")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
