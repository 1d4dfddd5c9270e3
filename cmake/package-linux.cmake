# Installation of the Linux program (cmake --install) and its Debian package
# (cpack in build/linux gives dormix-lite_2.1.0.8_amd64.deb).
if(NOT TARGET DormixL)
    return()
endif()
include(GNUInstallDirs)

install(TARGETS DormixL RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The system watch, started only by its unit, which the package installs
# disabled. The unit names the path the package gives it.
install(TARGETS dormix-lite-watch RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/dormix-lite)
set(DORMIX_WATCH_PATH /usr/${CMAKE_INSTALL_LIBEXECDIR}/dormix-lite/dormix-lite-watch)
pkg_get_variable(DORMIX_UNIT_DIR systemd systemdsystemunitdir)
if(NOT DORMIX_UNIT_DIR)
    set(DORMIX_UNIT_DIR /lib/systemd/system)
endif()
configure_file(packaging/linux/dormix-lite-watch.service.in
               ${CMAKE_BINARY_DIR}/dormix-lite-watch.service @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/dormix-lite-watch.service DESTINATION ${DORMIX_UNIT_DIR})
# Debian's default presets enable every unit: ours says the watch stays off.
pkg_get_variable(DORMIX_PRESET_DIR systemd systemdsystempresetdir)
if(NOT DORMIX_PRESET_DIR)
    set(DORMIX_PRESET_DIR /lib/systemd/system-preset)
endif()
install(FILES packaging/linux/90-dormix-lite.preset DESTINATION ${DORMIX_PRESET_DIR})
# The user unit that keeps the tray program running where the administrator
# set AllowExit=0.
pkg_get_variable(DORMIX_USER_UNIT_DIR systemd systemduserunitdir)
if(NOT DORMIX_USER_UNIT_DIR)
    set(DORMIX_USER_UNIT_DIR /usr/lib/systemd/user)
endif()
set(DORMIX_LAUNCHER /usr/${CMAKE_INSTALL_BINDIR}/dormix-lite)
configure_file(packaging/linux/dormix-lite.service.in ${CMAKE_BINARY_DIR}/dormix-lite.service @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/dormix-lite.service DESTINATION ${DORMIX_USER_UNIT_DIR})
# The launcher, with the version it reports, beside the program it starts.
configure_file(packaging/linux/dormix-lite ${CMAKE_BINARY_DIR}/dormix-lite @ONLY)
install(PROGRAMS ${CMAKE_BINARY_DIR}/dormix-lite DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES packaging/linux/dormix-lite.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES packaging/linux/dormix-lite-autostart.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/dormix-lite)
# The administrator's settings: a sample that sets nothing, and the drop-in
# folder. The program reads exactly these paths, whatever the prefix.
install(FILES packaging/linux/dormix-lite.conf DESTINATION /etc/dormix-lite)
install(DIRECTORY DESTINATION /etc/dormix-lite/conf.d)
foreach(size 16 32 48)
    install(FILES src/ui/art/png/DormixL-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME dormix-lite.png)
endforeach()
install(FILES src/ui/art/DormixL.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps RENAME dormix-lite.svg)

# Manual pages are installed compressed, as Debian wants them; the
# launcher's name leads to the same page. They are made at install time, so
# that cpack after a build of the program alone still finds them.
set(DORMIX_MAN_GZ ${CMAKE_BINARY_DIR}/DormixL.1.gz)
set(DORMIX_MAN_LINK ${CMAKE_BINARY_DIR}/dormix-lite.1)
file(WRITE ${DORMIX_MAN_LINK} ".so man1/DormixL.1\n")
install(CODE "
    execute_process(COMMAND gzip -9 -n -c \"${CMAKE_SOURCE_DIR}/docs/DormixL.1\"
                    OUTPUT_FILE \"${DORMIX_MAN_GZ}\" RESULT_VARIABLE failed)
    execute_process(COMMAND gzip -9 -n -c \"${DORMIX_MAN_LINK}\"
                    OUTPUT_FILE \"${DORMIX_MAN_LINK}.gz\" RESULT_VARIABLE failed2)
    if(failed OR failed2)
        message(FATAL_ERROR \"gzip could not compress the manual pages\")
    endif()")
install(FILES ${DORMIX_MAN_GZ} ${DORMIX_MAN_LINK}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME dormix-lite)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Dormix Lite authors")
set(CPACK_PACKAGE_CONTACT "The Dormix Lite authors <dormix-lite@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "switches the computer off when nobody has used it for 15 minutes")
set(CPACK_PACKAGE_DESCRIPTION
    "Dormix Lite lives in the notification area, counts the seconds without keyboard or\nmouse input and, after 15 minutes, counts down 60 seconds that only its Cancel\nbutton stops before it asks systemd-logind to power the machine off. Every\nstart, phase change, reset and exit goes to a plain-text log.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The xcb platform plugin is a package of its own, found by no library scan.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "dbus, qt6-qpa-plugins")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "systemd")
# prerm and postinst end the copies still running on removal and upgrade;
# postrm takes away the system-wide autostart entry that the launcher makes;
# the settings file is a conffile, so an upgrade keeps the administrator's edits.
file(READ packaging/linux/stop-running-copies.sh STOP_RUNNING_COPIES)
foreach(script prerm postinst)
    configure_file(packaging/linux/${script} ${CMAKE_BINARY_DIR}/debian/${script} @ONLY
                   FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
                                    GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
endforeach()
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_SOURCE_DIR}/packaging/linux/postrm
    ${CMAKE_SOURCE_DIR}/packaging/linux/conffiles ${CMAKE_BINARY_DIR}/debian/prerm
    ${CMAKE_BINARY_DIR}/debian/postinst)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
set(CPACK_OUTPUT_FILE_PREFIX ${CMAKE_BINARY_DIR})
include(CPack)

add_test(NAME linux_deb_package
         COMMAND ${CMAKE_SOURCE_DIR}/tests/packaging/linux-deb.sh)
set_tests_properties(linux_deb_package PROPERTIES TIMEOUT 900 RUN_SERIAL TRUE SKIP_RETURN_CODE 77)

# The unit as the package installs it, staged with the watch in its place.
add_test(NAME linux_watch_unit
         COMMAND ${CMAKE_SOURCE_DIR}/tests/packaging/watch-unit.sh ${CMAKE_BINARY_DIR})
set_tests_properties(linux_watch_unit PROPERTIES TIMEOUT 60 SKIP_RETURN_CODE 77)
