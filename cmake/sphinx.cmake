# Builds the documentation site: copies the folder SOURCE (docs/) to STAGE, where the
# site's extension adds the pages and pictures it makes with the program, and runs
# Sphinx with Debian's python3 on it into HTML (doctrees in DOCTREES), always from a
# fresh environment: every page shows what this program prints, also the pages whose
# text did not change. PYTHONDIR is the folder of the built Python module, empty when
# it is not built (the environment variable SOTOC_PYTHON_DIR of conf.py). With
# STRICT every warning is an error (all of them reported), and the Python examples
# of the pages are then run (Sphinx's doctest builder, report in DOCTEST).
#   cmake -DPYTHON=... -DSOURCE=... -DSTAGE=... -DHTML=... -DDOCTREES=... -DDOCTEST=...
#         -DSOTOC=... -DREPO=... -DPYTHONDIR=... [-DSTRICT=ON] -P sphinx.cmake

# STAGE is a folder of the build tree that only this script writes.
file(REMOVE_RECURSE ${STAGE})
file(COPY ${SOURCE}/ DESTINATION ${STAGE})
set(ENV{SOTOC_PYTHON_DIR} "${PYTHONDIR}")

set(options -q -E -d ${DOCTREES} -D sotoc_program=${SOTOC} -D sotoc_source=${REPO})
if(STRICT)
  list(APPEND options -W --keep-going)
endif()
execute_process(COMMAND ${PYTHON} -m sphinx -b html ${options} ${STAGE} ${HTML} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "Sphinx ended with status ${status}")
endif()

if(STRICT)
  # The pages as just read (no -E): only the examples run again.
  list(REMOVE_ITEM options -E)
  execute_process(COMMAND ${PYTHON} -m sphinx -b doctest ${options} ${STAGE} ${DOCTEST} RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "The Python examples failed (Sphinx's doctest ended with status ${status}); see ${DOCTEST}/output.txt")
  endif()
endif()
