# Writes the header that `vantrel --version` reads its build description
# from: the build type and, in a git checkout, the commit (with "-dirty" when
# tracked files differ from it). Run at every build; the file is rewritten
# only when its text changes, so an unchanged tree recompiles nothing.
#
#   cmake -DSOURCE_DIR=... -DOUTPUT=.../vantrel_build_info.h -DBUILD_TYPE=Release -P build_info.cmake
set(commit "")
find_program(VANTREL_GIT git)
if(VANTREL_GIT AND EXISTS ${SOURCE_DIR}/.git)
  execute_process(COMMAND ${VANTREL_GIT} -C ${SOURCE_DIR} rev-parse --short=12 HEAD
    RESULT_VARIABLE rc OUTPUT_VARIABLE commit ERROR_QUIET
    OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT rc EQUAL 0)
    set(commit "")
  else()
    execute_process(COMMAND ${VANTREL_GIT} -C ${SOURCE_DIR} diff --quiet HEAD --
      RESULT_VARIABLE dirty OUTPUT_QUIET ERROR_QUIET)
    if(dirty EQUAL 1)
      string(APPEND commit "-dirty")
    endif()
  endif()
endif()
if(BUILD_TYPE STREQUAL "")
  set(BUILD_TYPE "unspecified")
endif()
set(text "// Made by cmake/build_info.cmake at build time.\n#define VANTREL_BUILD_TYPE \"${BUILD_TYPE}\"\n#define VANTREL_BUILD_COMMIT \"${commit}\"\n")
if(EXISTS ${OUTPUT})
  file(READ ${OUTPUT} old)
  if(old STREQUAL text)
    return()
  endif()
endif()
file(WRITE ${OUTPUT} "${text}")
