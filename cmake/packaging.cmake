# Debian package for Linux users: `cpack -G DEB` in the build folder gives
# vantoro-client_<version>_<arch>.deb with the executable, the menu entry and the icon, each
# installed by the install() rules of its own folder.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vantoro-client)
set(CPACK_PACKAGE_VENDOR "Vantoro")
set(CPACK_PACKAGE_CONTACT "Vantoro Client team <client@vantoro.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Desktop client for the Vantoro live-streaming site")
set(CPACK_PACKAGE_DESCRIPTION
    "Shows the Vantoro live-streaming site in a frameless window of its own, rendered by an\
 embedded Chromium engine (Qt WebEngine).")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION web)
# Named by hand rather than with dpkg-shlibdeps, which a machine set up only to build the client
# may not have. The CJK font keeps the Chinese tooltips and notice from showing as boxes.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libc6, libstdc++6, libxcb1, libqt6core6 (>= 6.4), libqt6gui6 (>= 6.4), libqt6widgets6 (>= 6.4), libqt6quick6 (>= 6.4),\
 libqt6network6 (>= 6.4), libqt6webenginecore6 (>= 6.4), libqt6webenginewidgets6 (>= 6.4),\
 fonts-wqy-microhei | fonts-noto-cjk")
include(CPack)
