# Runs the C host and the C++ road dump over the same jobs and fails unless
# both ran cleanly and printed the same lines.
# EMULATOR (a cross build's, "|"-separated) runs both programs: under Wine
# the C host is a C program built against the DLL's import library.
string(REPLACE "|" ";" jobs "${JOBS}")
string(REPLACE "|" ";" emulator "${EMULATOR}")
execute_process(COMMAND ${emulator} ${C_HOST} ${jobs} RESULT_VARIABLE c_rc
  OUTPUT_VARIABLE c_out ERROR_VARIABLE c_err)
execute_process(COMMAND ${CMAKE_COMMAND} -E env --unset=VANTREL_TRACE
  ${emulator} ${ROAD_DUMP} ${jobs} RESULT_VARIABLE cxx_rc
  OUTPUT_VARIABLE cxx_out ERROR_VARIABLE cxx_err)
string(REPLACE "\r\n" "\n" c_out "${c_out}")
string(REPLACE "\r\n" "\n" cxx_out "${cxx_out}")
if(NOT c_rc EQUAL 0)
  message(FATAL_ERROR "c_host failed (${c_rc}):\n${c_err}")
endif()
if(NOT cxx_rc EQUAL 0)
  message(FATAL_ERROR "road_dump failed (${cxx_rc}):\n${cxx_err}")
endif()
if(NOT c_out STREQUAL cxx_out)
  message(FATAL_ERROR "the C API and the C++ roads differ\n--- C API:\n${c_out}\n--- C++ roads:\n${cxx_out}")
endif()
string(REGEX MATCHALL "\nrule " rules "${c_out}")
list(LENGTH rules rule_count)
if(rule_count LESS 8)
  message(FATAL_ERROR "too few rules printed:\n${c_out}")
endif()
