# Runs the Windows CLI (under the emulator) and the Linux CLI on the test data
# and the sample jobs, pairs in every mode and rules, and fails unless both
# print the same, line ends aside. The sample job with an XRX block is read
# with the example plug-in of each build.
#
# -DEMULATOR=a|b|c  the emulator command, "|" between its words
# -DWINDOWS_CLI=... -DWINDOWS_PLUGIN_DIR=...
# -DLINUX_CLI=...   -DLINUX_PLUGIN_DIR=...
# -DSOURCE_DIR=...
string(REPLACE "|" ";" emulator "${EMULATOR}")
if(NOT EXISTS "${LINUX_CLI}")
  # CI builds the Linux tree first; a Windows build on its own has nothing
  # to compare with.
  message("skipped: no Linux CLI at ${LINUX_CLI} (build the default preset first)")
  return()
endif()

file(GLOB data_files LIST_DIRECTORIES false ${SOURCE_DIR}/tests/data/*)
file(GLOB example_files ${SOURCE_DIR}/examples/*.ps ${SOURCE_DIR}/examples/*.eps)
set(files ${data_files} ${example_files})
list(SORT files)
list(LENGTH files file_count)

set(runs
  "pairs|--json|--mode|whole"
  "pairs|--json|--mode|head"
  "pairs|--json|--mode|tail"
  "pairs|--json|--mode|both"
  "pairs|--json|--unit|pt|--mode|both"
  "rules|--json")
set(failures 0)
foreach(run IN LISTS runs)
  string(REPLACE "|" ";" args "${run}")
  set(ENV{VANTREL_PLUGIN_PATH} "${LINUX_PLUGIN_DIR}")
  execute_process(COMMAND ${LINUX_CLI} ${args} ${files}
    RESULT_VARIABLE linux_rc OUTPUT_VARIABLE linux_out ERROR_VARIABLE linux_err)
  set(ENV{VANTREL_PLUGIN_PATH} "${WINDOWS_PLUGIN_DIR}")
  execute_process(COMMAND ${emulator} ${WINDOWS_CLI} ${args} ${files}
    RESULT_VARIABLE windows_rc OUTPUT_VARIABLE windows_out ERROR_VARIABLE windows_err)
  foreach(side linux windows)
    string(REPLACE "\r\n" "\n" ${side}_out "${${side}_out}")
    string(REPLACE "\r\n" "\n" ${side}_err "${${side}_err}")
  endforeach()
  if(NOT linux_rc STREQUAL windows_rc OR NOT linux_out STREQUAL windows_out
     OR NOT linux_err STREQUAL windows_err)
    math(EXPR failures "${failures} + 1")
    file(WRITE ${WORK_DIR}/linux-${failures}.txt "${linux_rc}\n${linux_out}\n${linux_err}")
    file(WRITE ${WORK_DIR}/windows-${failures}.txt "${windows_rc}\n${windows_out}\n${windows_err}")
    message("differ: ${args} (see ${WORK_DIR}/linux-${failures}.txt and windows-${failures}.txt)")
  endif()
  # The sample job's XRX block reaches the example plug-in on both sides.
  if(run STREQUAL "rules|--json" AND NOT windows_out MATCHES "\"name\":\"Media\"")
    math(EXPR failures "${failures} + 1")
    message("the example plug-in gave no rule on Windows")
  endif()
  string(REGEX MATCHALL "\n" lines "${linux_out}")
  list(LENGTH lines line_count)
  message("${args}: ${line_count} lines of ${file_count} files compared")
endforeach()
if(failures GREATER 0)
  message(FATAL_ERROR "${failures} runs differ between Windows and Linux")
endif()
