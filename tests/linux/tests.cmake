# Tests of the Linux program: Qt widgets on the offscreen platform, the parts
# that talk to the system, logind against a mock on a private bus, and whole
# runs of the program under Xvfb.
find_package(GTest REQUIRED)
include(GoogleTest)

add_executable(linux_qt_tests
    tests/linux/main.cpp
    tests/linux/QtRig.cpp
    tests/linux/WindowsTest.cpp
    tests/linux/QtCycleTest.cpp
)
target_link_libraries(linux_qt_tests PRIVATE dormix_linux dormix_fakes Qt6::Test GTest::gtest)
target_include_directories(linux_qt_tests PRIVATE tests/linux)
gtest_discover_tests(linux_qt_tests
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 60
    DISCOVERY_TIMEOUT 30)

# The server side of ext-idle-notify-v1, for a stand-in compositor.
pkg_check_modules(WAYLAND_SERVER REQUIRED IMPORTED_TARGET wayland-server)
set(DORMIX_IDLE_SERVER_HEADER ${CMAKE_CURRENT_BINARY_DIR}/wayland/ext-idle-notify-v1-server-protocol.h)
add_custom_command(OUTPUT ${DORMIX_IDLE_SERVER_HEADER}
    COMMAND ${WAYLAND_SCANNER} server-header
            ${CMAKE_SOURCE_DIR}/src/platform/linux/wayland/protocols/ext-idle-notify-v1.xml
            ${DORMIX_IDLE_SERVER_HEADER}
    DEPENDS ${CMAKE_SOURCE_DIR}/src/platform/linux/wayland/protocols/ext-idle-notify-v1.xml VERBATIM)

add_executable(linux_system_tests
    tests/linux/main.cpp
    tests/linux/MockLogind.cpp
    tests/linux/DesktopHoldsTest.cpp
    tests/linux/LogindPowerTest.cpp
    tests/linux/LogindSessionsTest.cpp
    tests/linux/LogindHoldsTest.cpp
    tests/linux/LogindLogonsTest.cpp
    tests/linux/MutterIdleTest.cpp
    tests/linux/PlatformTest.cpp
    tests/linux/ExtIdleStandInTest.cpp
    ${DORMIX_IDLE_SERVER_HEADER}
)
target_link_libraries(linux_system_tests PRIVATE dormix_linux dormix_watch_linux Qt6::DBus GTest::gtest
                      PkgConfig::WAYLAND_SERVER)
target_include_directories(linux_system_tests PRIVATE tests/linux)
target_compile_definitions(linux_system_tests PRIVATE
    DORMIX_SESSIONS_TEMPLATE="${CMAKE_SOURCE_DIR}/tests/linux/e2e/logind_sessions.py"
    DORMIX_GNOME_SESSION_TEMPLATE="${CMAKE_SOURCE_DIR}/tests/linux/e2e/gnome_session.py")
gtest_discover_tests(linux_system_tests
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 120
    DISCOVERY_TIMEOUT 30)

# Whole runs under Xvfb, each with its own display, folders and buses.
add_executable(x11_close_window tests/linux/XClose.cpp)
target_link_libraries(x11_close_window PRIVATE X11::X11)
set_target_properties(x11_close_window PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
add_library(fault_shim MODULE tests/linux/FaultShim.c)
target_link_libraries(fault_shim PRIVATE ${CMAKE_DL_LIBS})
target_include_directories(fault_shim PRIVATE ${X11_INCLUDE_DIR})
set_target_properties(fault_shim PROPERTIES LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
add_executable(x11_tray_owner tests/linux/XTrayOwner.cpp)
target_link_libraries(x11_tray_owner PRIVATE X11::X11)
set_target_properties(x11_tray_owner PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
# One script per theme, one test per scenario.
function(dormix_linux_e2e script)
    foreach(scenario ${ARGN})
        add_test(NAME linux_e2e_${scenario}
                 COMMAND bash ${CMAKE_SOURCE_DIR}/tests/linux/e2e/${script}.sh ${CMAKE_BINARY_DIR}
                         ${scenario})
        set_tests_properties(linux_e2e_${scenario} PROPERTIES TIMEOUT 150 LABELS e2e
                             SKIP_RETURN_CODE 77)
    endforeach()
endfunction()
dormix_linux_e2e(cycle inhibit pointer key_tap)
dormix_linux_e2e(windows test_button cancel exit_phases about keyboard)
dormix_linux_e2e(instance second_copy no_display signals)
dormix_linux_e2e(log log_missing journal settings)
dormix_linux_e2e(power power_off power_refused power_hung sleep)
dormix_linux_e2e(in_use other_sessions switch_in holds)

# The system watch against a mock logind, as an ordinary process.
foreach(scenario power_off logon_idle logon_countdown logind_silent hold journal)
    add_test(NAME linux_e2e_watch_${scenario}
             COMMAND bash ${CMAKE_SOURCE_DIR}/tests/linux/e2e/watch.sh ${CMAKE_BINARY_DIR}
                     ${scenario})
    set_tests_properties(linux_e2e_watch_${scenario} PROPERTIES TIMEOUT 150 LABELS e2e
                         SKIP_RETURN_CODE 77)
endforeach()

# Command lines of the program and its launcher, one table.
add_test(NAME linux_arguments
         COMMAND bash ${CMAKE_SOURCE_DIR}/tests/linux/arguments.sh ${CMAKE_BINARY_DIR})
set_tests_properties(linux_arguments PROPERTIES TIMEOUT 60)

# The X11 grab holder, and the Wayland client that holds an idle inhibitor or
# moves the pointer and taps keys through KWin's fake input.
add_executable(x11_grab tests/linux/XGrab.cpp)
target_link_libraries(x11_grab PRIVATE X11::X11)
dormix_wayland_protocols(dormix_test_protocols
    ${WAYLAND_PROTOCOLS_DIR}/stable/xdg-shell/xdg-shell.xml
    ${WAYLAND_PROTOCOLS_DIR}/unstable/idle-inhibit/idle-inhibit-unstable-v1.xml
    ${PLASMA_WAYLAND_PROTOCOLS_DIR}/fake-input.xml)
add_executable(wayland_test_client tests/linux/wayland/TestClient.cpp)
target_link_libraries(wayland_test_client PRIVATE dormix_test_protocols)
set_target_properties(x11_grab wayland_test_client PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

# Whole runs in headless Wayland sessions (sway, KWin, weston).
foreach(scenario sway_idle sway_activity sway_inhibitor kwin_idle kwin_activity kwin_inhibitor
                 weston_refusal weston_source_failing)
    add_test(NAME wayland_e2e_${scenario}
             COMMAND bash ${CMAKE_SOURCE_DIR}/tests/linux/e2e/wayland.sh ${CMAKE_BINARY_DIR}
                     ${scenario})
    set_tests_properties(wayland_e2e_${scenario} PROPERTIES TIMEOUT 150 LABELS e2e)
endforeach()

# Whole runs in a GNOME Wayland session: a headless mutter and its XWayland,
# as an ordinary user.
foreach(scenario idle input)
    add_test(NAME linux_e2e_gnome_${scenario}
             COMMAND bash ${CMAKE_SOURCE_DIR}/tests/linux/e2e/gnome.sh ${CMAKE_BINARY_DIR} ${scenario})
    set_tests_properties(linux_e2e_gnome_${scenario} PROPERTIES TIMEOUT 150 LABELS e2e)
endforeach()
