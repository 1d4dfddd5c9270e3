# The Linux program: Qt 6 Widgets on X11/XWayland, input from XInput2 or the
# Wayland compositor's idle notifications, power-off through logind over
# D-Bus (sd-bus). Included by the top-level CMakeLists.txt.
find_package(Qt6 REQUIRED COMPONENTS Widgets DBus Test)
find_package(X11 REQUIRED COMPONENTS Xi xcb X11_xcb)
find_package(PkgConfig REQUIRED)
# sd-bus: every wait on the system bus has a deadline of our choosing.
pkg_check_modules(SYSTEMD REQUIRED IMPORTED_TARGET libsystemd)
pkg_check_modules(WAYLAND_CLIENT REQUIRED IMPORTED_TARGET wayland-client)
pkg_check_modules(XCB_RANDR REQUIRED IMPORTED_TARGET xcb-randr)
pkg_get_variable(WAYLAND_PROTOCOLS_DIR wayland-protocols pkgdatadir)
find_package(PlasmaWaylandProtocols REQUIRED)
find_program(WAYLAND_SCANNER wayland-scanner REQUIRED)

# C bindings of Wayland protocols, made by wayland-scanner into a static
# library: dormix_wayland_protocols(TARGET XML...).
function(dormix_wayland_protocols target)
    set(sources)
    foreach(xml ${ARGN})
        get_filename_component(base ${xml} NAME_WE)
        set(header ${CMAKE_CURRENT_BINARY_DIR}/wayland/${base}-client-protocol.h)
        set(code ${CMAKE_CURRENT_BINARY_DIR}/wayland/${base}-protocol.c)
        add_custom_command(OUTPUT ${header} ${code}
            COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/wayland
            COMMAND ${WAYLAND_SCANNER} client-header ${xml} ${header}
            COMMAND ${WAYLAND_SCANNER} private-code ${xml} ${code}
            DEPENDS ${xml} VERBATIM)
        list(APPEND sources ${header} ${code})
    endforeach()
    add_library(${target} STATIC ${sources})
    target_include_directories(${target} PUBLIC ${CMAKE_CURRENT_BINARY_DIR}/wayland)
    target_link_libraries(${target} PUBLIC PkgConfig::WAYLAND_CLIENT)
endfunction()
# Our copy of ext-idle-notify-v1 has version 2's input-only notification,
# which older wayland-protocols packages lack.
dormix_wayland_protocols(dormix_idle_protocols
    ${CMAKE_CURRENT_SOURCE_DIR}/src/platform/linux/wayland/protocols/ext-idle-notify-v1.xml
    ${PLASMA_WAYLAND_PROTOCOLS_DIR}/idle.xml)
find_package(Threads REQUIRED)

set(CMAKE_AUTOMOC ON)

set(CMAKE_AUTORCC ON)

# The system's side without Qt: logind, the journal, the clock, the
# administrator's settings. The tray program and the system watch both
# stand on it.
add_library(dormix_linux_system STATIC
    src/platform/linux/log/JournalLog.cpp
    src/platform/linux/log/LocalClock.cpp
    src/platform/linux/log/StderrReport.cpp
    src/platform/linux/monitor/LogindHolds.cpp
    src/platform/linux/monitor/LogindSessions.cpp
    src/platform/linux/logind/LogindBus.cpp
    src/platform/linux/power/LogindPowerApi.cpp
    src/platform/linux/logind/LogindSignals.cpp
    src/platform/linux/settings/ConfFiles.cpp
)
target_link_libraries(dormix_linux_system PUBLIC dormix_core dormix_log_files PkgConfig::SYSTEMD)
set_target_properties(dormix_linux_system PROPERTIES AUTOMOC OFF AUTORCC OFF)

# Everything but main(): the program and its tests link the same objects.
add_library(dormix_linux STATIC
    src/frontend/tray_qt/DisplayProbe.cpp
    src/frontend/tray_qt/FlockMarker.cpp
    src/frontend/tray_qt/InputChoice.cpp
    src/frontend/tray_qt/Priority.cpp
    src/frontend/tray_qt/QtBusWait.cpp
    src/frontend/tray_qt/SignalBridge.cpp
    src/platform/linux/monitor/DesktopHolds.cpp
    src/platform/linux/wayland/ExtIdleSource.cpp
    src/platform/linux/wayland/KdeIdleSource.cpp
    src/platform/linux/wayland/MutterIdleSource.cpp
    src/platform/linux/wayland/NotificationSource.cpp
    src/platform/linux/wayland/WaylandConnection.cpp
    src/platform/linux/x11/X11InputSource.cpp
    src/frontend/tray_qt/LogindSleepWatch.cpp
    src/frontend/tray_qt/AboutDialog.cpp
    src/frontend/tray_qt/Artwork.cpp
    src/frontend/tray_qt/MainWindow.cpp
    src/frontend/tray_qt/NoticeWindow.cpp
    src/frontend/tray_qt/PreciseTicker.cpp
    src/frontend/tray_qt/QtShell.cpp
    src/frontend/tray_qt/QtView.cpp
    src/frontend/tray_qt/TracingView.cpp
    src/frontend/tray_qt/TrayIcon.cpp
    src/frontend/tray_qt/WidgetBuilder.cpp
    src/frontend/tray_qt/art.qrc
)
target_include_directories(dormix_linux PUBLIC src)
target_link_libraries(dormix_linux PUBLIC dormix_app dormix_linux_system Qt6::Widgets Qt6::DBus PkgConfig::SYSTEMD X11::X11 X11::Xi X11::xcb X11::X11_xcb
    PkgConfig::XCB_RANDR dormix_idle_protocols Threads::Threads)

# The shipped program, and two test builds of the same sources: one that
# reports every caption and message on stderr (the end-to-end tests read
# them, since Qt's labels are no X windows), and one that also ticks forty
# times faster so a whole 900-second cycle runs in half a minute.
function(dormix_program target)
    add_executable(${target} src/frontend/tray_qt/main.cpp src/frontend/tray_qt/Program.cpp
                   src/frontend/tray_qt/StartUp.cpp)
    target_link_libraries(${target} PRIVATE dormix_linux)
    target_compile_definitions(${target} PRIVATE ${ARGN})
    set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
endfunction()
dormix_program(DormixL)
dormix_program(DormixL-trace DORMIX_TRACE_VIEW=1)
dormix_program(DormixL-fast DORMIX_TRACE_VIEW=1 DORMIX_TIMER_DIVISOR=40)

if(DORMIX_BUILD_TESTS)
    include(${CMAKE_CURRENT_SOURCE_DIR}/tests/linux/tests.cmake)
endif()

add_test(NAME linux_hardening
         COMMAND ${CMAKE_SOURCE_DIR}/tests/packaging/hardening.sh linux $<TARGET_FILE:DormixL>)

# The system watch: the core and the system's side, no Qt. The test build
# ticks forty times faster and says what it counts on stderr.
add_library(dormix_watch_linux STATIC src/frontend/watch_linux/LogindLogons.cpp
            src/frontend/watch_linux/WatchLoop.cpp)
target_link_libraries(dormix_watch_linux PUBLIC dormix_watch_core dormix_linux_system)
set_target_properties(dormix_watch_linux PROPERTIES AUTOMOC OFF AUTORCC OFF)
function(dormix_watch target)
    # WatchProgram.cpp takes the target's tick divisor.
    add_executable(${target} src/frontend/watch_linux/main.cpp src/frontend/watch_linux/WatchProgram.cpp)
    target_link_libraries(${target} PRIVATE dormix_watch_linux)
    target_compile_definitions(${target} PRIVATE ${ARGN})
    set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}
                          AUTOMOC OFF AUTORCC OFF)
endfunction()
dormix_watch(dormix-lite-watch)
dormix_watch(dormix-lite-watch-fast DORMIX_TIMER_DIVISOR=40)
