# The Windows program DormixL.exe (32-bit, GUI subsystem, static), the system
# watch DormixWatch.exe (a service), their fast-ticking test twins, the test
# driver and the Windows-side tests.

find_package(Python3 REQUIRED COMPONENTS Interpreter)

# Artwork: src/ui/art. DORMIX_ART_ROOT is the folder that holds ui/art/.
set(DORMIX_ART_ROOT "${CMAKE_SOURCE_DIR}/src" CACHE PATH "Folder holding ui/art/ with the artwork")
set(DORMIX_ART "${DORMIX_ART_ROOT}/ui/art")

set(DORMIX_RC_GEN "${CMAKE_BINARY_DIR}/rc")
# The version resource and the manifest, made from the project's version.
configure_file(src/frontend/tray_win32/Version.rc.h.in "${DORMIX_RC_GEN}/Version.rc.h" @ONLY)
configure_file(src/frontend/tray_win32/DormixL.manifest.in "${DORMIX_RC_GEN}/DormixL.manifest" @ONLY)
add_custom_command(
    OUTPUT "${DORMIX_RC_GEN}/icon-1.rc"
    COMMAND Python3::Interpreter "${CMAKE_SOURCE_DIR}/src/frontend/tray_win32/icon_group.py"
            "${DORMIX_ART}/DormixL.ico" 1 30001 "${DORMIX_RC_GEN}"
    DEPENDS "${DORMIX_ART}/DormixL.ico" "${CMAKE_SOURCE_DIR}/src/frontend/tray_win32/icon_group.py"
    COMMENT "Splitting the program icon into images 30001..30006")
# The event log's message table: DormixEvents.h for the code, DormixEvents.rc
# and MSG00409.bin for the resources.
find_program(DORMIX_WINDMC NAMES ${CMAKE_RC_COMPILER_TARGET}-windmc i686-w64-mingw32-windmc REQUIRED)
add_custom_command(
    OUTPUT "${DORMIX_RC_GEN}/DormixEvents.h" "${DORMIX_RC_GEN}/DormixEvents.rc"
           "${DORMIX_RC_GEN}/MSG00409.bin"
    COMMAND ${CMAKE_COMMAND} -E make_directory "${DORMIX_RC_GEN}"
    COMMAND ${DORMIX_WINDMC} -h "${DORMIX_RC_GEN}" -r "${DORMIX_RC_GEN}"
            "${CMAKE_SOURCE_DIR}/src/platform/win32/log/DormixEvents.mc"
    DEPENDS "${CMAKE_SOURCE_DIR}/src/platform/win32/log/DormixEvents.mc"
    COMMENT "Compiling the event log's message table")
add_custom_target(dormix_icon_resources DEPENDS "${DORMIX_RC_GEN}/icon-1.rc"
    "${DORMIX_RC_GEN}/DormixEvents.h" "${DORMIX_RC_GEN}/DormixEvents.rc")

set(DORMIX_WIN32_DEFINES WIN32_LEAN_AND_MEAN NOMINMAX STRICT _WIN32_WINNT=0x0601 WINVER=0x0601)
# wtsapi32 and powrprof through their import libraries, as every system DLL:
# the tests put stand-ins of their own in their place.
set(DORMIX_WIN32_LIBS comctl32 gdi32 user32 kernel32 advapi32 shell32 wtsapi32 powrprof)

# The system's services without a window, shared by the tray program and
# the watch: the event log, the clock, the sessions, the power-off, the policy.
add_library(dormix_win32_system STATIC
    src/platform/win32/log/EventLogMirror.cpp
    src/platform/win32/log/LocalClock.cpp
    src/platform/win32/monitor/WtsSessions.cpp
    src/platform/win32/power/SystemShutdownApi.cpp
    src/platform/win32/power/TokenPowerApi.cpp
    src/platform/win32/settings/PolicyKey.cpp
)
target_compile_definitions(dormix_win32_system PUBLIC ${DORMIX_WIN32_DEFINES})
target_include_directories(dormix_win32_system PRIVATE "${DORMIX_RC_GEN}")
add_dependencies(dormix_win32_system dormix_icon_resources)
target_link_libraries(dormix_win32_system PUBLIC dormix_core dormix_log_files advapi32 wtsapi32 powrprof)

# Everything but the entry and the timer period, shared by both programs and the tests.
add_library(dormix_win32 STATIC
    src/frontend/tray_win32/MutexMarker.cpp
    src/frontend/tray_win32/Program.cpp
    src/platform/win32/monitor/AsyncKeyInput.cpp
    src/platform/win32/monitor/DisplayRequests.cpp
    src/platform/win32/monitor/LastInputInfo.cpp
    src/frontend/tray_win32/ControlSet.cpp
    src/frontend/tray_win32/Dpi.cpp
    src/frontend/tray_win32/Forms.cpp
    src/frontend/tray_win32/TrayIcon.cpp
    src/frontend/tray_win32/WinShell.cpp
    src/frontend/tray_win32/WinView.cpp
    src/frontend/tray_win32/Wnd.cpp
)
target_compile_definitions(dormix_win32 PUBLIC ${DORMIX_WIN32_DEFINES})
target_include_directories(dormix_win32 PRIVATE "${DORMIX_RC_GEN}")
add_dependencies(dormix_win32 dormix_icon_resources)
target_link_libraries(dormix_win32 PUBLIC dormix_app dormix_win32_system ${DORMIX_WIN32_LIBS})

function(dormix_program name)
    add_executable(${name} WIN32
        src/frontend/tray_win32/WinMain.cpp
        src/platform/win32/TimerPeriod.cpp
        src/frontend/tray_win32/DormixL.rc)
    add_dependencies(${name} dormix_icon_resources)
    target_link_libraries(${name} PRIVATE dormix_win32)
    target_include_directories(${name} PRIVATE "${DORMIX_RC_GEN}" "${DORMIX_ART_ROOT}" "${CMAKE_SOURCE_DIR}/src")
    set_source_files_properties(src/frontend/tray_win32/DormixL.rc PROPERTIES OBJECT_DEPENDS
        "${DORMIX_RC_GEN}/icon-1.rc;${DORMIX_RC_GEN}/DormixL.manifest;${DORMIX_RC_GEN}/Version.rc.h;${DORMIX_RC_GEN}/DormixEvents.rc;${DORMIX_RC_GEN}/MSG00409.bin;${DORMIX_ART}/DormixAbout.ico;${DORMIX_ART}/Error.ico;${DORMIX_ART}/SmallLogo.bmp;${DORMIX_ART}/AboutBackground.bmp")
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}")
    target_link_options(${name} PRIVATE -s)  # no symbols in what ships
    # The oldest Windows the imports allow (GetTickCount64 came with 6.0);
    # the linker's default of 4.0 would claim more.
    target_link_options(${name} PRIVATE -Wl,--subsystem,windows:6.0 -Wl,--major-os-version,6
                        -Wl,--minor-os-version,0)
endfunction()

dormix_program(DormixL)
# The test twin: the same program with every timer 40 times faster (1000 ms -> 25 ms).
dormix_program(DormixL-fast)
target_compile_definitions(DormixL-fast PRIVATE DORMIX_TIMER_DIVISOR=40)

# The system watch, the service DormixLiteWatch: the core and the system's
# services, nothing of the tray program. A console program, as services are:
# started by hand it says so on its console and ends.
function(dormix_watch name)
    add_executable(${name} src/frontend/watch_win32/ServiceMain.cpp src/frontend/watch_win32/WatchService.cpp
        src/frontend/watch_win32/SessionCopies.cpp src/platform/win32/TimerPeriod.cpp)
    target_link_libraries(${name} PRIVATE dormix_watch_core dormix_win32_system userenv)
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}")
    target_link_options(${name} PRIVATE -s -Wl,--subsystem,console:6.0 -Wl,--major-os-version,6
                        -Wl,--minor-os-version,0)
endfunction()
dormix_watch(DormixWatch)
dormix_watch(DormixWatch-fast)
target_compile_definitions(DormixWatch-fast PRIVATE DORMIX_TIMER_DIVISOR=40)

include("${CMAKE_SOURCE_DIR}/tests/win32/tests.cmake" OPTIONAL)
