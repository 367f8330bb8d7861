# The right pairing must build and the wrong one must fail on the pairing check itself.
execute_process(COMMAND ${CMAKE_COMMAND} --build ${BUILD_DIR} --target record_pairing_right
                RESULT_VARIABLE right OUTPUT_VARIABLE right_out ERROR_VARIABLE right_out)
if(NOT right EQUAL 0)
  message(FATAL_ERROR "the right pairing does not build:\n${right_out}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --build ${BUILD_DIR} --target record_pairing_wrong
                RESULT_VARIABLE wrong OUTPUT_VARIABLE wrong_out ERROR_VARIABLE wrong_out)
if(wrong EQUAL 0)
  message(FATAL_ERROR "a device information record queued as command 1000 compiled")
endif()
string(FIND "${wrong_out}" "this record is not fetched with that command type" at)
if(at EQUAL -1)
  message(FATAL_ERROR "the wrong pairing failed for another reason:\n${wrong_out}")
endif()
message(STATUS "the wrong pairing is refused at compile time")
