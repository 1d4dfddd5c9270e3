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

add_executable(linux_system_tests
    tests/linux/main.cpp
    tests/linux/MockLogind.cpp
    tests/linux/LogindPowerTest.cpp
    tests/linux/PlatformTest.cpp
)
target_link_libraries(linux_system_tests PRIVATE dormix_linux GTest::gtest)
target_include_directories(linux_system_tests PRIVATE tests/linux)
gtest_discover_tests(linux_system_tests
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 120
    DISCOVERY_TIMEOUT 30)

# Whole runs under Xvfb, each with its own display, folders and buses.
add_executable(x11_close_window tests/linux/XClose.cpp)
target_link_libraries(x11_close_window PRIVATE X11::X11)
set_target_properties(x11_close_window PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
add_executable(x11_tray_owner tests/linux/XTrayOwner.cpp)
target_link_libraries(x11_tray_owner PRIVATE X11::X11)
set_target_properties(x11_tray_owner PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
foreach(scenario inhibit pointer key_tap test_button cancel second_copy log_missing exit_phases
                 about power_off power_refused no_display signals keyboard)
    add_test(NAME linux_e2e_${scenario}
             COMMAND bash ${CMAKE_SOURCE_DIR}/tests/linux/e2e/scenarios.sh ${CMAKE_BINARY_DIR}
                     ${scenario})
    set_tests_properties(linux_e2e_${scenario} PROPERTIES TIMEOUT 150 LABELS e2e)
endforeach()
