# Debian package for Linux users: `cpack -G DEB` in the build folder gives
# vantoro-client_<version>~deb<release>_<arch>.deb (vantoro-client_1.0.3~deb13_amd64.deb, say)
# with everything the install() rules put in place. It is built for the Debian release it is made
# on and holds to that release's Qt, so the release is part of its version and name.
# tools/check-package.sh builds it with the distribution's hardening flags and checks it.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vantoro-client)
set(CPACK_PACKAGE_VENDOR "Vantoro")
set(CPACK_PACKAGE_CONTACT "Vantoro Client team <client@vantoro.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Desktop client for the Vantoro live-streaming site")
set(CPACK_PACKAGE_DESCRIPTION
    "Shows the Vantoro live-streaming site in a frameless window of its own,\n\
with buttons to return to the home page, reload the page and clear the\n\
browser cache. The page is rendered by an embedded Chromium engine\n\
(Qt WebEngine).")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
file(STRINGS /etc/os-release vt_os_release REGEX "^(ID|VERSION_ID)=")
if("ID=debian" IN_LIST vt_os_release)
    list(FILTER vt_os_release INCLUDE REGEX "^VERSION_ID=")
    string(REGEX REPLACE "^VERSION_ID=\"?([0-9]+).*" "\\1" vt_debian_release "${vt_os_release}")
    set(CPACK_DEBIAN_PACKAGE_VERSION "${PROJECT_VERSION}~deb${vt_debian_release}")
endif()
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION web)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

# The client uses Qt's private API (the window-system interface, the engine's process entry), which
# is only compatible with the exact Qt it was built against. Debian's Qt libraries provide a virtual
# package per ABI for that; the versions are the ones installed here, where the client is built.
# Debian 12 calls them qt6-base-abi and qt6-webengine-abi, Debian 13 qt6-base-private-abi and
# qt6-webengine-private-abi (its core library is libqt6core6t64 there).
function(vt_qt_abi virtual result)
    foreach(library IN LISTS ARGN)
        execute_process(COMMAND dpkg-query -W -f=\${Provides} ${library}
                        OUTPUT_VARIABLE provides ERROR_QUIET RESULT_VARIABLE status)
        string(REGEX MATCH "${virtual} \\(= [^)]+\\)" dependency "${provides}")
        if(status EQUAL 0 AND dependency)
            set(${result} "${dependency}" PARENT_SCOPE)
            return()
        endif()
    endforeach()
    message(WARNING "none of ${ARGN} provides ${virtual}: the package will not pin Qt's ABI")
    set(${result} "" PARENT_SCOPE)
endfunction()
vt_qt_abi("qt6-base(-private)?-abi" VT_QT_BASE_ABI libqt6core6t64 libqt6core6)
vt_qt_abi("qt6-webengine(-private)?-abi" VT_QT_WEBENGINE_ABI libqt6webenginecore6)
# The CJK font keeps the Chinese tooltips and notice from showing as boxes.
set(VT_PACKAGE_DEPENDS ${VT_QT_BASE_ABI} ${VT_QT_WEBENGINE_ABI} "fonts-wqy-microhei | fonts-noto-cjk")
list(JOIN VT_PACKAGE_DEPENDS ", " CPACK_DEBIAN_PACKAGE_DEPENDS)
# Without the toolkit's Wayland plugin a Wayland session shows the window through XWayland.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-wayland)
include(CPack)
