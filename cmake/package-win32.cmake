# The Windows installer, build/win32/DormixL-setup.exe, made with NSIS.
if(NOT TARGET DormixL)
    return()
endif()
find_program(DORMIX_MAKENSIS makensis REQUIRED)

set(DORMIX_SETUP ${CMAKE_BINARY_DIR}/DormixL-setup.exe)
add_custom_command(OUTPUT ${DORMIX_SETUP}
    COMMAND ${DORMIX_MAKENSIS} -V2 -DEXE=$<TARGET_FILE:DormixL>
            -DICON=${CMAKE_SOURCE_DIR}/src/ui/art/DormixL.ico -DOUTFILE=${DORMIX_SETUP}
            ${CMAKE_SOURCE_DIR}/packaging/windows/DormixL.nsi
    DEPENDS DormixL ${CMAKE_SOURCE_DIR}/packaging/windows/DormixL.nsi
            ${CMAKE_SOURCE_DIR}/src/ui/art/DormixL.ico
    VERBATIM)
add_custom_target(dormix_installer ALL DEPENDS ${DORMIX_SETUP})

add_test(NAME windows_installer
         COMMAND ${CMAKE_SOURCE_DIR}/tests/packaging/windows-installer.sh ${DORMIX_SETUP})
set_tests_properties(windows_installer PROPERTIES TIMEOUT 300)

# Address randomisation and no-execute data for the program and its installer.
add_test(NAME windows_hardening
         COMMAND ${CMAKE_SOURCE_DIR}/tests/packaging/hardening.sh win32 $<TARGET_FILE:DormixL>
                 ${DORMIX_SETUP})
