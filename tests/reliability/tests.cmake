# Fault and abuse runs of the Linux program (see faults.sh).
foreach(scenario log_folder_removed log_file_becomes_folder unprivileged_write disk_full file_size_limit sigkill
                 fifty_copies clock_jump arguments)
    add_test(NAME reliability_${scenario}
             COMMAND ${CMAKE_SOURCE_DIR}/tests/reliability/faults.sh ${CMAKE_BINARY_DIR} ${scenario})
    set_tests_properties(reliability_${scenario} PROPERTIES TIMEOUT 240 SKIP_RETURN_CODE 77
                         LABELS reliability)
endforeach()
set_tests_properties(reliability_fifty_copies PROPERTIES RUN_SERIAL TRUE)
