# Installs the build into a scratch prefix, then builds and runs a consumer
# through find_package(vantrel) and through pkg-config, builds and runs a host
# that loads the library with dlopen and links none of it, runs the installed
# CLI, which must find the library from its own place, and builds the example
# plug-in against the package.
set(prefix ${WORK_DIR}/prefix)
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})

# Runs a command; fails the test unless it exits 0. Its output is left in
# `run_output`.
function(run)
  execute_process(COMMAND ${ARGV} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "failed (${rc}): ${ARGV}\n${out}\n${err}")
  endif()
  message(STATUS "${out}")
  set(run_output "${out}" PARENT_SCOPE)
endfunction()

# Fails the test unless the last command's output matches `pattern`.
function(expect_output pattern what)
  if(NOT run_output MATCHES "${pattern}")
    message(FATAL_ERROR "${what}: output does not match '${pattern}':\n${run_output}")
  endif()
endfunction()

run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix} --config ${CONFIG})
set(sample ${SOURCE_DIR}/examples/brochure.ps)
set(libdir ${prefix}/${INSTALL_LIBDIR})

# CMake package.
run(${CMAKE_COMMAND} -S ${SOURCE_DIR}/tests/consumer -B ${WORK_DIR}/cmake-build
    -DCMAKE_PREFIX_PATH=${prefix} -DCMAKE_BUILD_TYPE=Release)
run(${CMAKE_COMMAND} --build ${WORK_DIR}/cmake-build)
run(${WORK_DIR}/cmake-build/consumer ${sample})

# A plug-in project: the installed example plug-in, built on its own against
# the package, then loaded by the installed tool.
run(${CMAKE_COMMAND} -S ${prefix}/share/vantrel/examples/xrx_plugin
    -B ${WORK_DIR}/plugin-build
    -DCMAKE_PREFIX_PATH=${prefix} -DCMAKE_BUILD_TYPE=Release)
run(${CMAKE_COMMAND} --build ${WORK_DIR}/plugin-build)
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env --unset=LD_LIBRARY_PATH
    VANTREL_PLUGIN_PATH=${WORK_DIR}/plugin-build
    ${prefix}/bin/vantrel rules --json ${SOURCE_DIR}/examples/jobticket.ps
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
string(FIND "${out}" "{\"name\":\"Media\",\"type\":6,\"id\":0,\"value\":\"A5 coated 135gsm\"}" at)
if(NOT rc EQUAL 0 OR at EQUAL -1)
  message(FATAL_ERROR "the installed tool did not use the plug-in (${rc}):\n${out}\n${err}")
endif()

# pkg-config.
find_program(PKG_CONFIG pkg-config REQUIRED)
find_program(CXX NAMES c++ g++ clang++ REQUIRED)
set(ENV{PKG_CONFIG_PATH} ${libdir}/pkgconfig)
execute_process(COMMAND ${PKG_CONFIG} --cflags --libs vantrel
  OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "pkg-config vantrel failed")
endif()
separate_arguments(flags UNIX_COMMAND "${flags}")
run(${CXX} -std=c++17 ${SOURCE_DIR}/tests/consumer/consumer.cc ${flags}
    -Wl,-rpath,${libdir} -o ${WORK_DIR}/pkg-consumer)
run(${WORK_DIR}/pkg-consumer ${sample})

# A host written in C99 against the installed C header and library.
find_program(CC NAMES cc gcc clang REQUIRED)
run(${CC} -std=c99 -Wall -Wextra -Wpedantic -Werror
    ${SOURCE_DIR}/tests/consumer/c_host.c ${flags}
    -Wl,-rpath,${libdir} -o ${WORK_DIR}/c-host)
run(${WORK_DIR}/c-host ${sample})
expect_output("(^|\n)pair CropWidth\\(4\\)=595\\.000000\n" "C host")

# A host that links no vantrel library: the installed headers only, the
# library found by name through the loader's search path.
set(dl_libs)
if(CMAKE_HOST_SYSTEM_NAME STREQUAL "Linux")
  set(dl_libs -ldl)
endif()
run(${CXX} -std=c++17 -Wall -Wextra -Werror -I${prefix}/include
    ${SOURCE_DIR}/tests/consumer/dlopen_host.cc ${dl_libs}
    -o ${WORK_DIR}/dlopen-host)
run(${CMAKE_COMMAND} -E env LD_LIBRARY_PATH=${libdir} DYLD_LIBRARY_PATH=${libdir}
    ${WORK_DIR}/dlopen-host ${sample})
expect_output("(^|\n)CropWidth\\(4\\)=595\\.000000\n" "dlopen host")

# The installed CLI, with no search path that would find the library for it.
if(WITH_CLI)
  set(cli ${prefix}/${INSTALL_BINDIR}/vantrel)
  set(no_path --unset=LD_LIBRARY_PATH --unset=DYLD_LIBRARY_PATH)
  run(${CMAKE_COMMAND} -E env ${no_path} ${cli} --version)
  expect_output("^vantrel ${VERSION}\nlibrary ${VERSION}\nbuild [^\n]+\n$"
    "installed vantrel --version")
  run(${CMAKE_COMMAND} -E env ${no_path} ${cli} pairs --unit pt ${sample})
  expect_output("\n  CropWidth +float +595\\.000000\n" "installed vantrel pairs")
endif()
