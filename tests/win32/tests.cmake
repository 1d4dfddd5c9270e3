# Windows-side tests: the test driver, in-process tests of the Win32 layer
# under Wine, and end-to-end scripts that drive DormixL.exe under Wine+Xvfb.

add_executable(dormix-driver tests/win32/driver/DormixDriver.cpp)
target_link_libraries(dormix-driver PRIVATE dormix_win32)
set_target_properties(dormix-driver PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}")

# The stand-in session manager the other-sessions test puts beside a copy of
# the program: build/win32/stand-in/wtsapi32.dll, undecorated exports.
add_library(wtsapi32_standin SHARED tests/win32/wtsapi32/StandIn.cpp tests/win32/wtsapi32/wtsapi32.def)
set_target_properties(wtsapi32_standin PROPERTIES OUTPUT_NAME wtsapi32 PREFIX ""
    RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/stand-in")
target_compile_definitions(wtsapi32_standin PRIVATE ${DORMIX_WIN32_DEFINES})
target_link_options(wtsapi32_standin PRIVATE -static -static-libgcc -static-libstdc++)
# The stand-in power manager the holds test puts beside a copy of the
# program: build/win32/stand-in/powrprof.dll.
add_library(powrprof_standin SHARED tests/win32/powrprof/StandIn.cpp tests/win32/powrprof/powrprof.def)
set_target_properties(powrprof_standin PROPERTIES OUTPUT_NAME powrprof PREFIX ""
    RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/stand-in")
target_compile_definitions(powrprof_standin PRIVATE ${DORMIX_WIN32_DEFINES})
target_link_options(powrprof_standin PRIVATE -static -static-libgcc -static-libstdc++)

set(DORMIX_E2E "${CMAKE_SOURCE_DIR}/tests/win32/e2e")

# One Wine prefix made once per build; every test copies it.
add_test(NAME win32_wine_template COMMAND bash "${DORMIX_E2E}/make-template.sh" "${CMAKE_BINARY_DIR}/wine-template")
set_tests_properties(win32_wine_template PROPERTIES FIXTURES_SETUP wine_template TIMEOUT 180)

function(dormix_e2e name)
    add_test(NAME win32_e2e_${name} COMMAND bash "${DORMIX_E2E}/${name}.sh" "${CMAKE_BINARY_DIR}")
    set_tests_properties(win32_e2e_${name} PROPERTIES FIXTURES_REQUIRED wine_template TIMEOUT 240)
endfunction()
foreach(t inhibit_cycle input test_mode cancel single_instance log_failures exit_phases about power_off dpi
          many_copies keyboard other_sessions display_requests settings watch)
    dormix_e2e(${t})
endforeach()

# In-process tests of the Win32 layer: real windows and system calls, the
# core's fakes for what must not touch the machine. Run under Wine on Xvfb.
file(GLOB DORMIX_WIN32_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/win32/inprocess/*.cpp)
# The program's own resources (icons, manifest), so the windows under test
# load what the program loads.
add_executable(win32_tests ${DORMIX_WIN32_TESTS} ${CMAKE_SOURCE_DIR}/src/platform/win32/TimerPeriod.cpp
    ${CMAKE_SOURCE_DIR}/src/frontend/tray_win32/DormixL.rc)
add_dependencies(win32_tests dormix_icon_resources)
target_include_directories(win32_tests PRIVATE "${DORMIX_RC_GEN}" "${DORMIX_ART_ROOT}" "${CMAKE_SOURCE_DIR}/src")
target_link_libraries(win32_tests PRIVATE dormix_win32 dormix_fakes version gtest gtest_main)
add_test(NAME win32_inprocess COMMAND bash "${DORMIX_E2E}/inprocess.sh" "${CMAKE_BINARY_DIR}")
set_tests_properties(win32_inprocess PROPERTIES FIXTURES_REQUIRED wine_template TIMEOUT 240)

add_test(NAME win32_binary COMMAND bash "${DORMIX_E2E}/binary.sh" "${CMAKE_BINARY_DIR}")
set_tests_properties(win32_binary PROPERTIES TIMEOUT 30)
# Thirty Wine processes at once: alone, or the machine's load decides the run.
set_tests_properties(win32_e2e_many_copies PROPERTIES RUN_SERIAL TRUE)
