# Installation of the sotoc program, its man pages and documentation (the site's own
# rules are in cmake/docs.cmake, included before); the Debian
# package (cpack -G DEB); the tests of both (the commit the program is built from is
# written by the top CMakeLists.txt, cmake/buildcommit.cmake). Included at the end of the top CMakeLists.txt, after the Python
# module (cmake/python.cmake) whose files the package holds: uses only the sotoc target
# and the project's variables.

include(GNUInstallDirs)

set(SOTOC_SUMMARY "time-optimal control of a two-axis robot, with and without state observation")

# Man pages of sotoc and each subcommand from the built program's --help texts,
# compressed as Debian installs them.
find_program(HELP2MAN help2man REQUIRED)
find_program(GZIP gzip REQUIRED)
set(SOTOC_MAN_DIR ${CMAKE_BINARY_DIR}/man/man1)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/man/pages.stamp
  COMMAND ${CMAKE_COMMAND} -DSOTOC=$<TARGET_FILE:sotoc> -DHELP2MAN=${HELP2MAN} -DGZIP=${GZIP} -DVERSION=${PROJECT_VERSION}
          -DSUMMARY=${SOTOC_SUMMARY} -DOUTPUT=${SOTOC_MAN_DIR} -P ${CMAKE_CURRENT_LIST_DIR}/manpages.cmake
  COMMAND ${CMAKE_COMMAND} -E touch ${CMAKE_BINARY_DIR}/man/pages.stamp
  DEPENDS sotoc ${CMAKE_CURRENT_LIST_DIR}/manpages.cmake
  COMMENT "Writing the man pages"
  VERBATIM)
add_custom_target(sotoc_manpages ALL DEPENDS ${CMAKE_BINARY_DIR}/man/pages.stamp)

install(TARGETS sotoc RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${SOTOC_MAN_DIR}/ DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 FILES_MATCHING PATTERN "*.1.gz")

# The copyright file: sotoc's own notice, then the copyright file of each library
# whose headers are compiled into the program or the module, as Debian ships it
# with the library (their licences ask for their notices in what is distributed).
set(SOTOC_COPYRIGHT ${CMAKE_BINARY_DIR}/copyright)
file(READ ${CMAKE_CURRENT_LIST_DIR}/copyright copyright)
set(compiledin libcli11-dev nlohmann-json3-dev)
if(SOTOC_PYTHON)
  list(APPEND compiledin pybind11-dev)
endif()
foreach(package ${compiledin})
  file(READ /usr/share/doc/${package}/copyright notice)
  string(APPEND copyright "\n\nHeaders of the Debian package ${package}, compiled in:\n\n${notice}")
endforeach()
file(WRITE ${SOTOC_COPYRIGHT} "${copyright}")
install(FILES ${SOTOC_COPYRIGHT} DESTINATION ${CMAKE_INSTALL_DOCDIR})

# The README's pictures keep their relative paths.
install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(DIRECTORY ${CMAKE_SOURCE_DIR}/docs/gallery DESTINATION ${CMAKE_INSTALL_DOCDIR}/docs)

# The Debian package: the libraries the program links are found by dpkg-shlibdeps.
# Declared here is only what it runs or loads by name, which dpkg-shlibdeps cannot see:
# - plplot-driver-cairo: PLplot loads its png/svg/pdf drivers at run time (sweep, map and plot
#   pictures); without them it ends the program ("No device drivers found").
# - fonts-dejavu-core: the plots' lettering, as where the program is built and tested
#   (fontconfig alone would take any of several font packages).
# - xvfb (recommended): sotoc render starts Xvfb when there is no X display.
# - python3 (with the Python module): the module is built for one version of it.
# - python3-numpy (recommended, with the Python module): the module's logs and arrays
#   are NumPy arrays.
# - python3-xarray, python3-pandas, python3-tqdm, python3-matplotlib (suggested, with
#   the Python module): imported only by the calls that ask for them (as_="xarray",
#   records_frame, progress=True, the plot helpers).
# - libjs-mathjax (recommended, with the documentation site): its pages typeset their
#   formulas with it (cmake/docs.cmake).
set(SOTOC_PACKAGE_MAINTAINER "sotoc maintainers <root@localhost>" CACHE STRING
    "Maintainer field of the Debian package: name <e-mail>")
# cpack, like cmake --install, packs what was built and builds nothing itself.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME sotoc)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY ${SOTOC_SUMMARY})
set(CPACK_PACKAGE_CONTACT ${SOTOC_PACKAGE_MAINTAINER})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "plplot-driver-cairo, fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS xvfb)
if(SOTOC_PYTHON)
  math(EXPR nextminor "${Python3_VERSION_MINOR} + 1")
  string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS
         ", python3 (>= 3.${Python3_VERSION_MINOR}~), python3 (<< 3.${nextminor})")
  string(APPEND CPACK_DEBIAN_PACKAGE_RECOMMENDS ", python3-numpy")
  set(CPACK_DEBIAN_PACKAGE_SUGGESTS "python3-xarray, python3-pandas, python3-tqdm, python3-matplotlib")
endif()
if(SOTOC_DOCS)
  string(APPEND CPACK_DEBIAN_PACKAGE_RECOMMENDS ", libjs-mathjax")
endif()
include(CPack)

# Tests of the installed program, its man pages and the package (slow: not under the
# sanitizers), and of the commit's source.
if(NOT SOTOC_SANITIZE)
  find_package(GTest REQUIRED)
  include(GoogleTest)
  file(GLOB INSTALL_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/install/*.cpp)
  add_executable(test_install ${INSTALL_TEST_SOURCES})
  target_link_libraries(test_install PRIVATE testsupport GTest::gtest_main)
  target_compile_definitions(test_install PRIVATE
    SOTOC_BUILD_DIR="${CMAKE_BINARY_DIR}" SOTOC_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
    CMAKE_PROGRAM="${CMAKE_COMMAND}" CPACK_PROGRAM="${CMAKE_CPACK_COMMAND}" GIT_PROGRAM="${GIT_EXECUTABLE}"
    BUILDCOMMIT_SCRIPT="${CMAKE_CURRENT_LIST_DIR}/buildcommit.cmake")
  if(SOTOC_PYTHON)
    target_compile_definitions(test_install PRIVATE SOTOC_PYTHON_INSTALL_DIR="${SOTOC_PYTHON_INSTALL_DIR}"
                               SOTOC_PYTHON_MODULE="$<TARGET_FILE_NAME:sotoc_python>")
  endif()
  add_dependencies(test_install sotoc_manpages)
  # Not while the documentation test rewrites the site they install (cmake/docs.cmake).
  gtest_discover_tests(test_install DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300 RESOURCE_LOCK docs_html)
endif()
