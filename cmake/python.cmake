# The Python module sotoc (src/python/): its compiled part _sotoc built with pybind11
# for Debian's python3 into build/python, beside sotoc.py and the stub sotoc.pyi; installed where that python3 finds it; its
# tests run by pytest through CTest. Included by the top CMakeLists.txt before the
# installation (cmake/install.cmake) when the module is built (not under the
# sanitizers).

# Debian's python3 has NumPy, pytest and matplotlib from Debian packages; a python3
# that comes first on PATH (pyenv, a virtual environment) may not.
set(Python3_EXECUTABLE /usr/bin/python3 CACHE FILEPATH "The Python interpreter the module is built for")
find_package(Python3 REQUIRED COMPONENTS Interpreter Development.Module)
find_package(pybind11 2.6 REQUIRED CONFIG)

set(SOTOC_PYTHON_DIR ${CMAKE_BINARY_DIR}/python)
# A build folder made when the compiled module itself was sotoc keeps that file, which
# Python would import before sotoc.py.
file(GLOB SOTOC_PYTHON_STALE ${SOTOC_PYTHON_DIR}/sotoc.*.so)
if(SOTOC_PYTHON_STALE)
  file(REMOVE ${SOTOC_PYTHON_STALE})
endif()
file(GLOB SOTOC_PYTHON_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/python/*.cpp)
# NO_EXTRAS: no link-time optimisation, so the module runs the code as the program does.
pybind11_add_module(sotoc_python MODULE NO_EXTRAS ${SOTOC_PYTHON_SOURCES})
# The compiled part is _sotoc; sotoc.py, the module users import, completes it.
set_target_properties(sotoc_python PROPERTIES OUTPUT_NAME _sotoc LIBRARY_OUTPUT_DIRECTORY ${SOTOC_PYTHON_DIR})
target_include_directories(sotoc_python PRIVATE ${CMAKE_SOURCE_DIR}/src)
target_compile_definitions(sotoc_python PRIVATE SOTOC_VERSION="${PROJECT_VERSION}")
set(links nlohmann_json::nlohmann_json)
foreach(used ${SOTOC_USES_python})
  if(TARGET sotoc_${used})
    list(APPEND links sotoc_${used})
  endif()
endforeach()
target_link_libraries(sotoc_python PRIVATE ${links})
# Only the shared libraries the module calls: the folders' libraries name more
# (PLplot for the plots), which would slow every import.
target_link_options(sotoc_python PRIVATE -Wl,--as-needed)
configure_file(${CMAKE_SOURCE_DIR}/src/python/sotoc.pyi ${SOTOC_PYTHON_DIR}/sotoc.pyi COPYONLY)
configure_file(${CMAKE_SOURCE_DIR}/src/python/sotoc.py ${SOTOC_PYTHON_DIR}/sotoc.py COPYONLY)

# Debian's python3 looks in lib/python3.X/dist-packages under /usr/local and /usr.
set(SOTOC_PYTHON_INSTALL_DIR lib/python3.${Python3_VERSION_MINOR}/dist-packages CACHE STRING
    "Folder under the installation prefix for the Python module")
install(TARGETS sotoc_python LIBRARY DESTINATION ${SOTOC_PYTHON_INSTALL_DIR})
install(FILES ${SOTOC_PYTHON_DIR}/sotoc.py ${SOTOC_PYTHON_DIR}/sotoc.pyi DESTINATION ${SOTOC_PYTHON_INSTALL_DIR})

# The tests, one CTest test per file, each quiet unless it fails.
file(GLOB SOTOC_PYTHON_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/python/test_*.py)
foreach(test ${SOTOC_PYTHON_TESTS})
  get_filename_component(name ${test} NAME_WE)
  add_test(NAME python_${name}
           COMMAND /bin/sh -c "out=$(\"$0\" -m pytest -q -p no:cacheprovider \"$1\" 2>&1) || { printf '%s\\n' \"$out\"; exit 1; }"
                   ${Python3_EXECUTABLE} ${test})
  set_tests_properties(python_${name} PROPERTIES TIMEOUT 600 ENVIRONMENT
    "PYTHONPATH=${SOTOC_PYTHON_DIR};PYTHONDONTWRITEBYTECODE=1;PYTHONNOUSERSITE=1;SOTOC_BINARY=$<TARGET_FILE:sotoc>;SOTOC_SOURCE_DIR=${CMAKE_SOURCE_DIR};SOTOC_BUILD_DIR=${CMAKE_BINARY_DIR};CMAKE_PROGRAM=${CMAKE_COMMAND};SOTOC_PYTHON_INSTALL_DIR=${SOTOC_PYTHON_INSTALL_DIR}")
endforeach()
# The installation test installs the documentation site too: not while the documentation
# test rewrites it (cmake/docs.cmake), nor beside another installation into the build folder.
set_tests_properties(python_test_install PROPERTIES RESOURCE_LOCK docs_html)
