# Installs the build into a scratch prefix, then builds and runs a consumer
# through find_package(vantrel) and through pkg-config, and builds the
# example plug-in against the package.
set(prefix ${WORK_DIR}/prefix)
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})

function(run)
  execute_process(COMMAND ${ARGV} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "failed (${rc}): ${ARGV}\n${out}\n${err}")
  endif()
  message(STATUS "${out}")
endfunction()

run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix} --config ${CONFIG})
set(sample ${SOURCE_DIR}/examples/brochure.ps)

# CMake package.
run(${CMAKE_COMMAND} -S ${SOURCE_DIR}/tests/consumer -B ${WORK_DIR}/cmake-build
    -DCMAKE_PREFIX_PATH=${prefix} -DCMAKE_BUILD_TYPE=Release)
run(${CMAKE_COMMAND} --build ${WORK_DIR}/cmake-build)
run(${WORK_DIR}/cmake-build/consumer ${sample})

foreach(d lib lib64)
  if(EXISTS ${prefix}/${d}/pkgconfig/vantrel.pc)
    set(libdir ${prefix}/${d})
  endif()
endforeach()

# A plug-in project: the installed example plug-in, built on its own against
# the package, then loaded by the installed tool.
run(${CMAKE_COMMAND} -S ${prefix}/share/vantrel/examples/xrx_plugin
    -B ${WORK_DIR}/plugin-build
    -DCMAKE_PREFIX_PATH=${prefix} -DCMAKE_BUILD_TYPE=Release)
run(${CMAKE_COMMAND} --build ${WORK_DIR}/plugin-build)
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env LD_LIBRARY_PATH=${libdir}
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
set(ENV{PKG_CONFIG_PATH} ${prefix}/lib/pkgconfig:${prefix}/lib64/pkgconfig)
execute_process(COMMAND ${PKG_CONFIG} --cflags --libs vantrel
  OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "pkg-config vantrel failed")
endif()
separate_arguments(flags UNIX_COMMAND "${flags}")
run(${CXX} -std=c++17 ${SOURCE_DIR}/tests/consumer/consumer.cc ${flags}
    -Wl,-rpath,${libdir} -o ${WORK_DIR}/pkg-consumer)
run(${WORK_DIR}/pkg-consumer ${sample})
