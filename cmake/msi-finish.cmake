# Finishes the MSI wixl made (cmake -P, with MSI, MSIBUILD, and SECURE and
# ROLLBACK as comma-separated names): SECURE's properties join SecureCustomProperties, and the
# actions in ROLLBACK get the rollback flag (0x100) and the in-script flag
# (0x400) that wixl 0.101 leaves out of Execute="rollback". Running it twice
# changes nothing more.
cmake_minimum_required(VERSION 3.20)

function(msi_table name out)
    execute_process(COMMAND msiinfo export ${MSI} ${name} OUTPUT_VARIABLE text RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "msiinfo export ${name}: ${rc}")
    endif()
    string(REPLACE "\r" "" text "${text}")
    set(${out} "${text}" PARENT_SCOPE)
endfunction()

string(REPLACE "," ";" SECURE "${SECURE}")
string(REPLACE "," ";" ROLLBACK "${ROLLBACK}")
# One SQL statement on the package. Run at once: a list would cut the
# property's value at its semicolons.
function(msi_query query)
    execute_process(COMMAND ${MSIBUILD} ${MSI} -q "${query}" RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "msibuild ${query}: ${rc}")
    endif()
endfunction()

msi_table(Property properties)
string(REGEX MATCH "\nSecureCustomProperties\t([^\n]*)" found "${properties}")
set(secure ${CMAKE_MATCH_1})
foreach(property ${SECURE})
    if(NOT ";${secure};" MATCHES ";${property};")
        string(APPEND secure ";${property}")
    endif()
endforeach()
string(REGEX REPLACE "^;" "" secure "${secure}")
msi_query("UPDATE `Property` SET `Value` = '${secure}' WHERE `Property` = 'SecureCustomProperties'")

msi_table(CustomAction actions)
foreach(action ${ROLLBACK})
    if(NOT actions MATCHES "\n${action}\t([0-9]+)\t")
        message(FATAL_ERROR "no custom action ${action} in ${MSI}")
    endif()
    math(EXPR type "${CMAKE_MATCH_1} | 0x500")
    msi_query("UPDATE `CustomAction` SET `Type` = ${type} WHERE `Action` = '${action}'")
endforeach()
