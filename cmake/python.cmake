# The Python module `letterfreq` (python/letterfreq_module.cpp) on the
# public library, with Debian's pybind11 for Debian's Python 3; its pytest
# suite runs against the installed module (tests/python). Off when pybind11
# is missing (LETTERFREQ_PYTHON=OFF turns it off).
option(LETTERFREQ_PYTHON "Build the Python module (needs pybind11)" ON)
if(NOT LETTERFREQ_PYTHON)
  return()
endif()
# Debian's pybind11 and python3-distributed are for /usr/bin/python3, not
# for another Python that comes first in PATH.
if(NOT DEFINED Python_EXECUTABLE AND EXISTS /usr/bin/python3)
  set(Python_EXECUTABLE /usr/bin/python3)
endif()
set(PYBIND11_FINDPYTHON ON)
find_package(pybind11 CONFIG QUIET)
if(NOT pybind11_FOUND)
  message(STATUS "pybind11 not found: the Python module is not built")
  return()
endif()

pybind11_add_module(letterfreq_python python/letterfreq_module.cpp)
set_target_properties(letterfreq_python PROPERTIES
  OUTPUT_NAME letterfreq LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/python)
target_compile_definitions(letterfreq_python PRIVATE
  LETTERFREQ_VERSION="${PROJECT_VERSION}")
target_link_libraries(letterfreq_python PRIVATE letterfreq_api)

# Where Debian's Python finds modules: lib/python3/dist-packages under
# /usr (the package's), lib/python3.X/dist-packages under other prefixes.
if(CMAKE_INSTALL_PREFIX STREQUAL "/usr")
  set(default_python_dir lib/python3/dist-packages)
else()
  set(default_python_dir
    lib/python${Python_VERSION_MAJOR}.${Python_VERSION_MINOR}/dist-packages)
endif()
set(LETTERFREQ_PYTHON_DIR ${default_python_dir} CACHE STRING
  "Where the Python module is installed, under the prefix")
install(TARGETS letterfreq_python
  LIBRARY DESTINATION ${LETTERFREQ_PYTHON_DIR})

# pytest on the installed module; the Dask test starts a scheduler and two
# workers on 127.0.0.1.
if(LETTERFREQ_TESTS)
  foreach(suite module dask_cluster)
    add_test(NAME python_${suite}
      COMMAND ${CMAKE_SOURCE_DIR}/tests/python/run_pytest.sh
              ${CMAKE_BINARY_DIR} ${CMAKE_SOURCE_DIR} ${Python_EXECUTABLE}
              test_${suite}.py)
    set_tests_properties(python_${suite} PROPERTIES TIMEOUT 300
      LABELS python)
  endforeach()
endif()
