# The documentation site (docs/, Markdown pages for Sphinx with MyST and the furo
# theme, all Debian packages run by Debian's python3): built with the program, from
# which it takes its reference pages, quoted values and command outputs, into
# build/docs/html; installed in share/doc/sotoc/html. Its tests: `docs` builds it
# with every warning an error, `docs_*` check the built site (tests/docs, pytest).
# Left out when those packages are missing and under the sanitizers (the site would
# be that of an instrumented program, built twice); SOTOC_DOCS says whether it is
# built. Included by the top CMakeLists.txt before the installation
# (cmake/install.cmake), whose package then recommends Debian's MathJax, which the
# pages load to show their formulas.

include(GNUInstallDirs)
set(SOTOC_DOCS OFF)
set(SOTOC_DOCS_PYTHON /usr/bin/python3)
execute_process(COMMAND ${SOTOC_DOCS_PYTHON} -c "import sphinx, myst_parser, furo"
                RESULT_VARIABLE sphinxmissing OUTPUT_QUIET ERROR_QUIET)
if(SOTOC_SANITIZE OR NOT sphinxmissing EQUAL 0)
  message(STATUS "Documentation site: not built (needs python3-sphinx, python3-myst-parser and furo)")
  return()
endif()
set(SOTOC_DOCS ON)

set(SOTOC_DOCS_DIR ${CMAKE_BINARY_DIR}/docs)
set(SOTOC_DOCS_HTML ${SOTOC_DOCS_DIR}/html)
file(GLOB_RECURSE SOTOC_DOCS_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/docs/*)
# The API page and the Python examples use the module when it is built (cmake/python.cmake).
set(SOTOC_DOCS_MODULE "")
set(SOTOC_DOCS_MODULE_TARGET "")
if(SOTOC_PYTHON)
  set(SOTOC_DOCS_MODULE ${SOTOC_PYTHON_DIR})
  set(SOTOC_DOCS_MODULE_TARGET sotoc_python)
endif()
set(SOTOC_SPHINX_ARGS -DPYTHON=${SOTOC_DOCS_PYTHON} -DSOURCE=${CMAKE_SOURCE_DIR}/docs -DSTAGE=${SOTOC_DOCS_DIR}/source
    -DHTML=${SOTOC_DOCS_HTML} -DDOCTREES=${SOTOC_DOCS_DIR}/doctrees -DDOCTEST=${SOTOC_DOCS_DIR}/doctest
    -DSOTOC=$<TARGET_FILE:sotoc> -DREPO=${CMAKE_SOURCE_DIR} -DPYTHONDIR=${SOTOC_DOCS_MODULE})
# Files of the source the pages show as they are (the scripts the Slurm tests run).
set(SOTOC_DOCS_SHOWN ${CMAKE_SOURCE_DIR}/tests/slurm/jobarray_test.sh ${CMAKE_SOURCE_DIR}/tests/support/slurmcluster.sh)

# Part of every build: warnings are shown, the test makes them errors.
add_custom_command(OUTPUT ${SOTOC_DOCS_DIR}/html.stamp
  COMMAND ${CMAKE_COMMAND} ${SOTOC_SPHINX_ARGS} -P ${CMAKE_CURRENT_LIST_DIR}/sphinx.cmake
  COMMAND ${CMAKE_COMMAND} -E touch ${SOTOC_DOCS_DIR}/html.stamp
  DEPENDS sotoc ${SOTOC_DOCS_MODULE_TARGET} ${SOTOC_DOCS_SOURCES} ${SOTOC_DOCS_SHOWN}
          ${CMAKE_CURRENT_LIST_DIR}/sphinx.cmake ${CMAKE_SOURCE_DIR}/build.sh
  COMMENT "Building the documentation site"
  VERBATIM)
add_custom_target(sotoc_docs ALL DEPENDS ${SOTOC_DOCS_DIR}/html.stamp)

# Sphinx's record of the build is no page.
install(DIRECTORY ${SOTOC_DOCS_HTML}/ DESTINATION ${CMAKE_INSTALL_DOCDIR}/html OPTIONAL PATTERN .buildinfo EXCLUDE)

# The build of the site rewrites the folder that the installation tests install.
add_test(NAME docs COMMAND ${CMAKE_COMMAND} ${SOTOC_SPHINX_ARGS} -DSTRICT=ON -P ${CMAKE_CURRENT_LIST_DIR}/sphinx.cmake)
set_tests_properties(docs PROPERTIES TIMEOUT 900 FIXTURES_SETUP docs_html RESOURCE_LOCK docs_html)
file(GLOB SOTOC_DOCS_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/docs/test_*.py)
foreach(test ${SOTOC_DOCS_TESTS})
  get_filename_component(name ${test} NAME_WE)
  string(REGEX REPLACE "^test_" "" name ${name})
  add_test(NAME docs_${name}
           COMMAND /bin/sh -c "out=$(\"$0\" -m pytest -q -p no:cacheprovider \"$1\" 2>&1) || { printf '%s\\n' \"$out\"; exit 1; }"
                   ${SOTOC_DOCS_PYTHON} ${test})
  set_tests_properties(docs_${name} PROPERTIES TIMEOUT 600 FIXTURES_REQUIRED docs_html RESOURCE_LOCK docs_html ENVIRONMENT
    "PYTHONDONTWRITEBYTECODE=1;PYTHONNOUSERSITE=1;SOTOC_BINARY=$<TARGET_FILE:sotoc>;SOTOC_DOCS_HTML=${SOTOC_DOCS_HTML};SOTOC_BUILD_DIR=${CMAKE_BINARY_DIR};SOTOC_SOURCE_DIR=${CMAKE_SOURCE_DIR};SOTOC_PYTHON_DIR=${SOTOC_DOCS_MODULE};CMAKE_PROGRAM=${CMAKE_COMMAND}")
endforeach()
