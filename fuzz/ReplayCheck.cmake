# Checks that a replay fails where it must: over a folder whose second input makes the target
# abort, it has to run the first input, stop at the second and end with a failure; over an empty
# folder it has to fail as well, since it checked nothing.
#   cmake -DPROGRAM=replay_check_fuzzer -DWORK=scratch-folder -P ReplayCheck.cmake
file(REMOVE_RECURSE "${WORK}")
file(WRITE "${WORK}/inputs/1-holds" "holds")
file(WRITE "${WORK}/inputs/2-aborts" "abort")
file(WRITE "${WORK}/inputs/3-never-reached" "holds")
file(MAKE_DIRECTORY "${WORK}/empty")

execute_process(COMMAND "${PROGRAM}" "${WORK}/inputs" RESULT_VARIABLE result ERROR_VARIABLE output)
if(result EQUAL 0)
    message(FATAL_ERROR "the replay passed over an input that aborts:\n${output}")
endif()
if(NOT output MATCHES "1-holds" OR NOT output MATCHES "2-aborts" OR output MATCHES "3-never")
    message(FATAL_ERROR "the replay did not run the inputs in order up to the abort:\n${output}")
endif()

execute_process(COMMAND "${PROGRAM}" "${WORK}/empty" RESULT_VARIABLE result ERROR_VARIABLE output)
if(result EQUAL 0)
    message(FATAL_ERROR "the replay passed with no input at all:\n${output}")
endif()
