# The exchange between Vork's code and the page's: Vork's vectors, the page's
# test of them (which writes its own half), then Vork's check of that half.
execute_process(COMMAND ${VECTORS} write OUTPUT_FILE ${OUT} RESULT_VARIABLE written)
if(NOT written EQUAL 0)
  message(FATAL_ERROR "the vectors could not be written (${written})")
endif()
set(PAGE_HALF ${OUT}.page.json)
file(REMOVE ${PAGE_HALF})
execute_process(COMMAND ${CMAKE_COMMAND} -E env VORK_VECTORS=${OUT} VORK_PAGE_HALF=${PAGE_HALF} ${NODE} --test ${TEST}
                RESULT_VARIABLE passed)
if(NOT passed EQUAL 0)
  message(FATAL_ERROR "the page's tests failed (${passed})")
endif()
# Only the test of the page's link code writes a half to check.
if(EXISTS ${PAGE_HALF})
  execute_process(COMMAND ${VECTORS} check ${PAGE_HALF} RESULT_VARIABLE checked)
  if(NOT checked EQUAL 0)
    message(FATAL_ERROR "Vork refused the page's half of the exchange (${checked})")
  endif()
endif()
