# The Linux program: Qt 6 Widgets on X11, input from Xlib/XInput2, power-off
# through logind over D-Bus. Included by the top-level CMakeLists.txt.
find_package(Qt6 REQUIRED COMPONENTS Widgets DBus Test)
find_package(X11 REQUIRED COMPONENTS Xi xcb X11_xcb)

set(CMAKE_AUTOMOC ON)

set(CMAKE_AUTORCC ON)

# Everything but main(): the program and its tests link the same objects.
add_library(dormix_linux STATIC
    src/app/linux/DisplayProbe.cpp
    src/app/linux/FlockMarker.cpp
    src/app/linux/LocalClock.cpp
    src/app/linux/Priority.cpp
    src/app/linux/SignalBridge.cpp
    src/monitor/x11/X11InputSource.cpp
    src/power/linux/LogindPowerApi.cpp
    src/ui/qt/AboutDialog.cpp
    src/ui/qt/Artwork.cpp
    src/ui/qt/MainWindow.cpp
    src/ui/qt/NoticeWindow.cpp
    src/ui/qt/PreciseTicker.cpp
    src/ui/qt/QtShell.cpp
    src/ui/qt/QtView.cpp
    src/ui/qt/TracingView.cpp
    src/ui/qt/TrayIcon.cpp
    src/ui/qt/WidgetBuilder.cpp
    src/ui/qt/art.qrc
)
target_include_directories(dormix_linux PUBLIC src)
target_link_libraries(dormix_linux PUBLIC dormix_core dormix_log_files Qt6::Widgets Qt6::DBus X11::X11 X11::Xi X11::xcb X11::X11_xcb)

# The shipped program, and two test builds of the same sources: one that
# reports every caption and message on stderr (the end-to-end tests read
# them, since Qt's labels are no X windows), and one that also ticks forty
# times faster so a whole 900-second cycle runs in half a minute.
function(dormix_program target)
    add_executable(${target} src/app/linux/main.cpp)
    target_link_libraries(${target} PRIVATE dormix_linux)
    target_compile_definitions(${target} PRIVATE ${ARGN})
    set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
endfunction()
dormix_program(DormixL)
dormix_program(DormixL-trace DORMIX_TRACE_VIEW=1)
dormix_program(DormixL-fast DORMIX_TRACE_VIEW=1 DORMIX_TIMER_DIVISOR=40)

include(${CMAKE_CURRENT_SOURCE_DIR}/tests/linux/tests.cmake)

add_test(NAME linux_hardening
         COMMAND ${CMAKE_SOURCE_DIR}/tests/packaging/hardening.sh linux $<TARGET_FILE:DormixL>)
