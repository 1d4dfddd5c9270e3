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
    tests/core/Fakes.cpp
)
target_link_libraries(linux_qt_tests PRIVATE dormix_linux Qt6::Test GTest::gtest)
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
