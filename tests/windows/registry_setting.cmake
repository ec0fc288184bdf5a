# The Helios setting read from the system's registry: set with "reg add",
# it lets the box of an embedded document give the job's crop; removed, it
# does not; an export file named by VANTREL_REGISTRY wins over the registry.
#
# -DEMULATOR=a|b|c -DWINDOWS_CLI=... -DWORK_DIR=...
string(REPLACE "|" ";" emulator "${EMULATOR}")
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})
set(key "HKLM\\Software\\Kalvor\\JobTicket\\Operations\\RipNT\\GlobalParams\\SupportHeliosServer")
file(WRITE ${WORK_DIR}/job.ps
  "%!PS-Adobe-3.0\n%%Title: outer\n%%EndComments\n"
  "%%BeginDocument: logo.eps\n%!PS-Adobe-3.0 EPSF-3.0\n"
  "%%BoundingBox: 0 0 72 144\n%%EndComments\n%%EndDocument\n%%EOF\n")
file(WRITE ${WORK_DIR}/off.reg
  "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Kalvor\\JobTicket\\"
  "Operations\\RipNT\\GlobalParams\\SupportHeliosServer]\n"
  "\"PropertyValue\"=dword:00000000\n")

function(reg)
  execute_process(COMMAND ${emulator} reg ${ARGV} RESULT_VARIABLE rc
    OUTPUT_VARIABLE out ERROR_VARIABLE err)
  set(reg_rc ${rc} PARENT_SCOPE)
endfunction()

# Scans the job and fails unless the crop is `expected` ("" for none).
function(expect_crop expected what)
  execute_process(COMMAND ${emulator} ${WINDOWS_CLI} pairs --json --unit pt ${WORK_DIR}/job.ps
    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  set(crop "")
  if(out MATCHES "\"CropWidth\",\"type\":4,\"value\":\"([0-9.]+)\"")
    set(crop ${CMAKE_MATCH_1})
  endif()
  if(NOT rc EQUAL 0 OR NOT crop STREQUAL expected)
    message(FATAL_ERROR "${what}: crop width '${crop}', expected '${expected}' (exit ${rc})\n${out}\n${err}")
  endif()
  message("${what}: crop width '${crop}'")
endfunction()

unset(ENV{VANTREL_REGISTRY})
reg(delete ${key} /f)
expect_crop("" "no setting")
reg(add ${key} /v PropertyValue /t REG_DWORD /d 1 /f)
if(NOT reg_rc EQUAL 0)
  message(FATAL_ERROR "reg add failed (${reg_rc})")
endif()
expect_crop("72.000000" "PropertyValue 1")
set(ENV{VANTREL_REGISTRY} ${WORK_DIR}/off.reg)
expect_crop("" "export file with 0 over the registry's 1")
unset(ENV{VANTREL_REGISTRY})
reg(add ${key} /v PropertyValue /t REG_DWORD /d 0 /f)
expect_crop("" "PropertyValue 0")
reg(delete ${key} /f)
expect_crop("" "setting removed")
