# The Windows installers: build/win32/DormixL-setup.exe, made with NSIS, for
# people who double-click, and build/win32/DormixL.msi, made with wixl, for
# managed roll-out.
if(NOT TARGET DormixL)
    return()
endif()
find_program(DORMIX_MAKENSIS makensis REQUIRED)

# The Group Policy template, shipped by both installers.
set(DORMIX_POLICY_TEMPLATE ${CMAKE_SOURCE_DIR}/packaging/windows/DormixLite.admx
    ${CMAKE_SOURCE_DIR}/packaging/windows/en-US/DormixLite.adml)

set(DORMIX_SETUP ${CMAKE_BINARY_DIR}/DormixL-setup.exe)
add_custom_command(OUTPUT ${DORMIX_SETUP}
    COMMAND ${DORMIX_MAKENSIS} -V2 -DVERSION=${PROJECT_VERSION} -DEXE=$<TARGET_FILE:DormixL> -DWATCHEXE=$<TARGET_FILE:DormixWatch>
            -DREPORTEXE=$<TARGET_FILE:DormixReport> -DSETUPDLL=$<TARGET_FILE:DormixSetup>
            -DICON=${CMAKE_SOURCE_DIR}/src/ui/art/DormixL.ico -DOUTFILE=${DORMIX_SETUP}
            -DPOLICYDIR=${CMAKE_SOURCE_DIR}/packaging/windows
            ${CMAKE_SOURCE_DIR}/packaging/windows/DormixL.nsi
    DEPENDS DormixL DormixWatch DormixReport DormixSetup ${CMAKE_SOURCE_DIR}/packaging/windows/DormixL.nsi ${DORMIX_POLICY_TEMPLATE}
            ${CMAKE_SOURCE_DIR}/src/ui/art/DormixL.ico
    VERBATIM)
add_custom_target(dormix_installer ALL DEPENDS ${DORMIX_SETUP})

# An icacls that fails, put in the installers' way by their tests, and one
# that reads a folder's rules but cannot change them.
add_executable(icacls_fails tests/packaging/FailingIcacls.c)
add_executable(icacls_cannot_set tests/packaging/FailingIcacls.c)
target_compile_definitions(icacls_cannot_set PRIVATE READS_RULES)
set_target_properties(icacls_fails icacls_cannot_set PROPERTIES WIN32_EXECUTABLE OFF)

add_test(NAME windows_installer
         COMMAND ${CMAKE_SOURCE_DIR}/tests/packaging/windows-installer.sh ${DORMIX_SETUP}
                 $<TARGET_FILE:icacls_fails>)
set_tests_properties(windows_installer PROPERTIES TIMEOUT 300)

# The Log folder's rules, as icacls arguments after the folder (the NSIS
# script runs the same two commands): the system and administrators have full
# control; Users may list the folder and create files in it, and read and
# append to the files, but not delete, rewrite, rename or re-permit them;
# OWNER RIGHTS keeps a log's creator from changing its permissions. Nothing is
# inherited from Program Files, whose CREATOR OWNER entry gives full control.
set(DORMIX_LOG_FOLDER_RULES "/inheritance:r /grant:r *S-1-5-18:(OI)(CI)F *S-1-5-32-544:(OI)(CI)F *S-1-5-32-545:(RD,WD,X,RA,REA,RC,S)")
set(DORMIX_LOG_FILE_RULES "/grant *S-1-5-32-545:(OI)(IO)(RD,AD,RA,REA,RC,S) *S-1-3-4:(OI)(IO)(RD,AD,RA,REA,RC,S)")
# The watch's WatchLog folder: only the system and administrators write in
# it; Users may read the watch's log. Nothing is inherited.
set(DORMIX_WATCH_LOG_RULES "/inheritance:r /grant:r *S-1-5-18:(OI)(CI)F *S-1-5-32-544:(OI)(CI)F *S-1-5-32-545:(OI)(CI)RX")

# The MSI's custom actions: the properties checked before the install
# changes anything, the watch's service and the policy changed with a
# rollback that puts back what was there.
add_library(DormixSetup SHARED src/frontend/setup_win32/SetupActions.cpp src/frontend/setup_win32/ActionData.cpp
    src/frontend/setup_win32/PolicySetup.cpp src/frontend/setup_win32/WatchServiceSetup.cpp
    src/frontend/setup_win32/RunningCopies.cpp
    src/frontend/setup_win32/DormixSetup.def)
set_target_properties(DormixSetup PROPERTIES PREFIX "" RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}")
target_compile_definitions(DormixSetup PRIVATE ${DORMIX_WIN32_DEFINES})
target_link_libraries(DormixSetup PRIVATE dormix_core msi advapi32)
target_link_options(DormixSetup PRIVATE -s -static -static-libgcc -static-libstdc++)

find_program(DORMIX_WIXL wixl REQUIRED)
find_program(DORMIX_MSIBUILD msibuild REQUIRED)
set(DORMIX_MSI ${CMAKE_BINARY_DIR}/DormixL.msi)
# What wixl 0.101 cannot write, written after it: the public properties in
# SecureCustomProperties (a managed install passes no other to the
# elevated part that runs the script), and the rollback flag of the actions
# the package declares Execute="rollback".
set(DORMIX_MSI_FINISH -DMSIBUILD=${DORMIX_MSIBUILD}
    -DSECURE=IDLELIMIT,COUNTDOWN,HOLDLIMIT,ALLOWEXIT,IDLEACTION,SCHEDULE,WATCH
    -DROLLBACK=RestoreWatch,RestorePolicy -P ${CMAKE_SOURCE_DIR}/cmake/msi-finish.cmake)
# wixl takes its sources relative to where it runs.
file(RELATIVE_PATH DORMIX_MSI_ICON ${CMAKE_BINARY_DIR} ${CMAKE_SOURCE_DIR}/src/ui/art/DormixL.ico)
file(RELATIVE_PATH DORMIX_MSI_POLICY_DIR ${CMAKE_BINARY_DIR} ${CMAKE_SOURCE_DIR}/packaging/windows)
add_custom_command(OUTPUT ${DORMIX_MSI}
    COMMAND ${DORMIX_WIXL} -o ${DORMIX_MSI} -D Version=${PROJECT_VERSION}
            -D Exe=$<TARGET_FILE_NAME:DormixL> -D WatchExe=$<TARGET_FILE_NAME:DormixWatch>
            -D ReportExe=$<TARGET_FILE_NAME:DormixReport>
            -D SetupDll=$<TARGET_FILE_NAME:DormixSetup> -D Icon=${DORMIX_MSI_ICON}
            -D "LogFolderRules=${DORMIX_LOG_FOLDER_RULES}"
            -D "LogFileRules=${DORMIX_LOG_FILE_RULES}"
            -D "WatchLogRules=${DORMIX_WATCH_LOG_RULES}" -D PolicyDir=${DORMIX_MSI_POLICY_DIR}
            ${CMAKE_SOURCE_DIR}/packaging/windows/DormixL.wxs
    COMMAND ${CMAKE_COMMAND} -DMSI=${DORMIX_MSI} ${DORMIX_MSI_FINISH}
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
    DEPENDS DormixL DormixWatch DormixReport DormixSetup ${CMAKE_SOURCE_DIR}/packaging/windows/DormixL.wxs
            ${DORMIX_POLICY_TEMPLATE} ${CMAKE_SOURCE_DIR}/src/ui/art/DormixL.ico
            ${CMAKE_SOURCE_DIR}/cmake/msi-finish.cmake
    VERBATIM)
add_custom_target(dormix_msi ALL DEPENDS ${DORMIX_MSI})
# The same finishing step for the packages the test builds, as one argument.
list(JOIN DORMIX_MSI_FINISH " " DORMIX_MSI_FINISH_ARGS)

add_test(NAME windows_msi
         COMMAND ${CMAKE_SOURCE_DIR}/tests/packaging/windows-msi.sh ${DORMIX_MSI}
                 "${DORMIX_LOG_FOLDER_RULES}" "${DORMIX_LOG_FILE_RULES}" "${DORMIX_WATCH_LOG_RULES}"
                 "${DORMIX_MSI_FINISH_ARGS}" ${CMAKE_BINARY_DIR}/wine-template $<TARGET_FILE:icacls_fails>
                 $<TARGET_FILE:icacls_cannot_set>)
set_tests_properties(windows_msi PROPERTIES TIMEOUT 300 FIXTURES_REQUIRED wine_template)

# Address randomisation and no-execute data for the program and its installer.
add_test(NAME windows_hardening
         COMMAND ${CMAKE_SOURCE_DIR}/tests/packaging/hardening.sh win32 $<TARGET_FILE:DormixL>
                 ${DORMIX_SETUP} $<TARGET_FILE:DormixWatch> $<TARGET_FILE:DormixSetup>)
