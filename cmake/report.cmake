# The fleet report: the portable library over the core's reading of the log,
# its console program (dormix-report on Linux, DormixReport.exe on Windows),
# its tests and the generator of its fixtures and benchmark data.
#
# The journal's JSON is read with nlohmann-json, header-only, so the same
# header serves the MinGW build; its folder is copied into the build so the
# cross-compiler never sees the rest of /usr/include.
find_file(DORMIX_JSON_HEADER nlohmann/json.hpp PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH
          NO_DEFAULT_PATH)
if(NOT DORMIX_JSON_HEADER)
    message(STATUS "nlohmann-json3-dev is not installed: no dormix-report (scripts/deps run adds it)")
    return()
endif()
get_filename_component(DORMIX_JSON_DIR ${DORMIX_JSON_HEADER} DIRECTORY)
file(COPY ${DORMIX_JSON_DIR} DESTINATION ${CMAKE_BINARY_DIR}/report-include)

add_library(dormix_report STATIC
    src/report/Calendar.cpp
    src/report/Csv.cpp
    src/report/EventXmlReader.cpp
    src/report/Failures.cpp
    src/report/FleetTable.cpp
    src/report/Health.cpp
    src/report/Html.cpp
    src/report/JournalReader.cpp
    src/report/LineReader.cpp
    src/report/Options.cpp
    src/report/Sources.cpp
    src/report/Summary.cpp
    src/report/TextLogReader.cpp
)
target_include_directories(dormix_report SYSTEM PRIVATE ${CMAKE_BINARY_DIR}/report-include)
target_link_libraries(dormix_report PUBLIC dormix_core)

if(WIN32)
    add_executable(DormixReport src/frontend/report/main.cpp)
    set(DORMIX_REPORT DormixReport)
    target_link_options(DormixReport PRIVATE -s -Wl,--subsystem,console:6.0
                        -Wl,--major-os-version,6 -Wl,--minor-os-version,0)
else()
    add_executable(dormix-report src/frontend/report/main.cpp)
    set(DORMIX_REPORT dormix-report)
    if(DORMIX_BUILD_PROGRAM)
        include(GNUInstallDirs)
        install(TARGETS dormix-report RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    endif()
endif()
target_link_libraries(${DORMIX_REPORT} PRIVATE dormix_report)
set_target_properties(${DORMIX_REPORT} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

if(NOT DORMIX_BUILD_TESTS)
    return()
endif()
# A fleet with known nights in the three forms the entries reach a collector
# in; the tests check the report against it, the benchmark scales it up.
add_library(dormix_report_fixture STATIC tests/report/Fleet.cpp)
target_include_directories(dormix_report_fixture PUBLIC tests/report)
target_link_libraries(dormix_report_fixture PUBLIC dormix_report)
add_executable(report_fixture tests/report/report_fixture.cpp)
target_link_libraries(report_fixture PRIVATE dormix_report_fixture)
set_target_properties(report_fixture PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

file(GLOB DORMIX_REPORT_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/report/*Test.cpp)
add_executable(report_tests ${DORMIX_REPORT_TESTS})
if(CMAKE_CROSSCOMPILING)
    target_link_libraries(report_tests PRIVATE dormix_report_fixture gtest gtest_main)
    add_test(NAME report_tests_under_wine COMMAND report_tests --gtest_brief=1)
    set_tests_properties(report_tests_under_wine PROPERTIES TIMEOUT 300)
    # The console program itself, on a small fleet, under Wine.
    add_test(NAME win32_report_smoke
             COMMAND bash ${CMAKE_SOURCE_DIR}/tests/report/smoke.sh
                     ${CMAKE_SOURCE_DIR}/scripts/wine-run $<TARGET_FILE:DormixReport>
                     $<TARGET_FILE:report_fixture>)
    set_tests_properties(win32_report_smoke PROPERTIES TIMEOUT 300)
else()
    target_link_libraries(report_tests PRIVATE dormix_report_fixture GTest::gtest GTest::gtest_main)
    include(GoogleTest)
    gtest_discover_tests(report_tests)
    add_test(NAME report_smoke
             COMMAND bash ${CMAKE_SOURCE_DIR}/tests/report/smoke.sh ""
                     $<TARGET_FILE:dormix-report> $<TARGET_FILE:report_fixture>)
    # The page in a real browser: Debian's Chromium, headless, driven over
    # its DevTools pipe; it writes the README's screenshot.
    add_test(NAME report_page_in_chromium
             COMMAND /usr/bin/python3 ${CMAKE_SOURCE_DIR}/tests/report/page_in_browser.py
                     $<TARGET_FILE:dormix-report> $<TARGET_FILE:report_fixture>
                     ${CMAKE_BINARY_DIR}/report-page)
    set_tests_properties(report_page_in_chromium PROPERTIES TIMEOUT 180 SKIP_RETURN_CODE 77)
endif()
