# SPDX-License-Identifier: GPL-3.0-or-later
# Runs the real norvane-decode on one folder of tests/decode and compares every
# output that the folder has an expected file for, byte for byte.
file(STRINGS ${CASE}/args lines)
set(args -q)
foreach(line IN LISTS lines)
  if(line MATCHES "^\\.\\.?/")
    set(line ${CASE}/${line})
  endif()
  list(APPEND args ${line})
endforeach()
# Every expected.NAME names an output: --NAME.
file(GLOB expected RELATIVE ${CASE} ${CASE}/expected.*)
set(outputs)
foreach(file IN LISTS expected)
  string(REGEX REPLACE "^expected\\." "" output ${file})
  # An earlier run's output may read as a capture, which is never replaced.
  file(REMOVE ${OUTPUT}.${output})
  list(APPEND args --${output} ${OUTPUT}.${output})
  list(APPEND outputs ${output})
endforeach()
execute_process(COMMAND ${CMAKE_COMMAND} -E env LC_ALL=C ${DECODER} ${args} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "norvane-decode ${args} exited with ${result}")
endif()
foreach(output IN LISTS outputs)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUTPUT}.${output} ${CASE}/expected.${output}
    RESULT_VARIABLE differ)
  if(NOT differ EQUAL 0)
    message(FATAL_ERROR "${OUTPUT}.${output} differs from ${CASE}/expected.${output}")
  endif()
endforeach()
