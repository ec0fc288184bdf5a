# Makes a virtual environment in the build tree (with the system's packages,
# for Debian's setuptools and pytest: no package index is used), installs the
# Python module into it from a copy of python/ (pip builds in the tree it is
# given), and runs the module's pytest tests against the library and the CLI
# of this build. Prints "python tests skipped" when the interpreter, venv or
# pytest is missing (scripts/setup-debian.sh installs them).
set(python /usr/bin/python3)
if(NOT EXISTS ${python})
  message(FATAL_ERROR "python tests skipped: no ${python}")
endif()
execute_process(COMMAND ${python} -c "import venv, ensurepip, pytest, setuptools"
  RESULT_VARIABLE rc OUTPUT_QUIET ERROR_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "python tests skipped: ${python} lacks venv, pytest or setuptools")
endif()

set(venv ${WORK_DIR}/venv)
if(NOT EXISTS ${venv}/bin/python)
  execute_process(COMMAND ${python} -m venv --system-site-packages ${venv}
    RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "cannot make the virtual environment ${venv}")
  endif()
endif()

file(REMOVE_RECURSE ${WORK_DIR}/src)
file(COPY ${SOURCE_DIR}/python/ DESTINATION ${WORK_DIR}/src
  PATTERN build EXCLUDE PATTERN *.egg-info EXCLUDE PATTERN __pycache__ EXCLUDE)
execute_process(COMMAND ${venv}/bin/python -m pip install --quiet
    --no-build-isolation --no-index --no-deps --force-reinstall ${WORK_DIR}/src
  RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "pip install of the Python module failed")
endif()

# Run from the work folder, so that the installed module is the one imported.
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env --unset=VANTREL_TRACE --unset=KALOUTPUT
    VANTREL_LIBRARY=${LIBRARY} VANTREL_CLI=${CLI} PYTHONDONTWRITEBYTECODE=1
    ${venv}/bin/python -m pytest -q -p no:cacheprovider ${SOURCE_DIR}/python/tests
  WORKING_DIRECTORY ${WORK_DIR}
  RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the Python module's tests failed")
endif()
