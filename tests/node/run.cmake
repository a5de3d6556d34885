# Writes the vectors with Vork's own code, then runs the bundled page test on them.
execute_process(COMMAND ${VECTORS} OUTPUT_FILE ${OUT} RESULT_VARIABLE written)
if(NOT written EQUAL 0)
  message(FATAL_ERROR "the vectors could not be written (${written})")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E env VORK_VECTORS=${OUT} ${NODE} --test ${TEST} RESULT_VARIABLE passed)
if(NOT passed EQUAL 0)
  message(FATAL_ERROR "the page's tests failed (${passed})")
endif()
