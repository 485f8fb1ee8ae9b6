# run(WHAT COMMAND...): runs one step of a script test; a step that fails
# ends the test with its status and everything it printed.
function(run what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE log ERROR_VARIABLE log)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${what} failed: ${status}\n${log}")
  endif()
endfunction()
