# Runs norvane-decode on one capture and compares its CSV byte for byte.
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env LC_ALL=C ${DECODER} -f kiss -q --csv ${OUTPUT} ${CAPTURE}
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "norvane-decode exited with ${result}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUTPUT} ${EXPECTED} RESULT_VARIABLE differ)
if(NOT differ EQUAL 0)
  message(FATAL_ERROR "${OUTPUT} differs from ${EXPECTED}")
endif()
