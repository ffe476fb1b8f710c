# Builds the documentation site: copies the folder SOURCE (docs/) to STAGE, where the
# site's extension adds the pages it generates from the program, and runs Sphinx
# with Debian's python3 on it into HTML (doctrees in DOCTREES). With STRICT, from a
# fresh environment and with every warning an error (all of them reported).
#   cmake -DPYTHON=... -DSOURCE=... -DSTAGE=... -DHTML=... -DDOCTREES=... -DSOTOC=...
#         -DREPO=... [-DSTRICT=ON] -P sphinx.cmake

# STAGE is a folder of the build tree that only this script writes.
file(REMOVE_RECURSE ${STAGE})
file(COPY ${SOURCE}/ DESTINATION ${STAGE})

set(options -q -b html -d ${DOCTREES} -D sotoc_program=${SOTOC} -D sotoc_source=${REPO})
if(STRICT)
  list(APPEND options -E -W --keep-going)
endif()
execute_process(COMMAND ${PYTHON} -m sphinx ${options} ${STAGE} ${HTML} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "Sphinx ended with status ${status}")
endif()
