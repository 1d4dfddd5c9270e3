# The Linux program: Qt 6 Widgets on X11, input from Xlib/XInput2, power-off
# through logind over D-Bus. Included by the top-level CMakeLists.txt.
find_package(Qt6 REQUIRED COMPONENTS Widgets DBus Test)
find_package(X11 REQUIRED COMPONENTS Xi xcb)

set(CMAKE_AUTOMOC ON)

# The artwork: the PNG forms in src/ui/art/png, compiled into a Qt resource.
# Until they exist, plain throw-away stand-ins of the right sizes are drawn
# into the build folder so the program still builds and runs.
set(DORMIX_ART_DIR ${CMAKE_SOURCE_DIR}/src/ui/art/png)
set(DORMIX_ART_OUT ${CMAKE_BINARY_DIR}/art)
set(DORMIX_ART_QRC ${DORMIX_ART_OUT}/art.qrc)
set(dormix_art
    "DormixL-16 16x16 #086BCE" "DormixL-32 32x32 #086BCE" "DormixL-48 48x48 #086BCE"
    "DormixAbout-16 16x16 #0A5FB0" "DormixAbout-32 32x32 #0A5FB0" "DormixAbout-48 48x48 #0A5FB0"
    "SmallLogo 55x58 #086BCE" "AboutBackground 164x314 #086BCE"
    "Error-16 16x16 #D00000" "Error-32 32x32 #D00000")
file(MAKE_DIRECTORY ${DORMIX_ART_OUT})
set(qrc "<RCC><qresource prefix=\"/art\">\n")
foreach(entry IN LISTS dormix_art)
    separate_arguments(parts UNIX_COMMAND "${entry}")
    list(GET parts 0 name)
    list(GET parts 1 size)
    list(GET parts 2 colour)
    set(file ${DORMIX_ART_DIR}/${name}.png)
    if(NOT EXISTS ${file})
        set(file ${DORMIX_ART_OUT}/${name}.png)
        if(NOT EXISTS ${file})
            message(STATUS "Artwork ${name}.png not on this branch yet: drawing a stand-in")
            execute_process(COMMAND convert -size ${size} xc:${colour} PNG24:${file}
                            RESULT_VARIABLE failed)
            if(failed)
                message(FATAL_ERROR "cannot draw ${file} (imagemagick's convert)")
            endif()
        endif()
    endif()
    string(APPEND qrc "  <file alias=\"${name}.png\">${file}</file>\n")
endforeach()
string(APPEND qrc "</qresource></RCC>\n")
file(WRITE ${DORMIX_ART_QRC}.new "${qrc}")
file(COPY_FILE ${DORMIX_ART_QRC}.new ${DORMIX_ART_QRC} ONLY_IF_DIFFERENT)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/ui)
if(EXISTS ${CMAKE_SOURCE_DIR}/src/ui/art)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/ui/art
                                                                  ${DORMIX_ART_DIR})
endif()
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
    ${DORMIX_ART_QRC}
)
target_include_directories(dormix_linux PUBLIC src)
target_link_libraries(dormix_linux PUBLIC dormix_core Qt6::Widgets Qt6::DBus X11::X11 X11::Xi X11::xcb)

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
