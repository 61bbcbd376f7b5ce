# Tests of the install rules and the Debian package, as scripts over a
# built tree. The package build is skipped (status 77) where the package
# tools are missing or LETTERFREQ_SKIP_PACKAGE_TEST=1 asks so.
add_test(NAME install_tree
  COMMAND ${CMAKE_SOURCE_DIR}/tests/install/install_tree_test.sh
          ${CMAKE_BINARY_DIR} ${CMAKE_SOURCE_DIR} $<TARGET_EXISTS:letterfreq>)
set_tests_properties(install_tree PROPERTIES TIMEOUT 120 LABELS install)

add_test(NAME package_build
  COMMAND ${CMAKE_SOURCE_DIR}/tests/install/package_build_test.sh
          ${CMAKE_SOURCE_DIR})
set_tests_properties(package_build PROPERTIES
  TIMEOUT 1200 LABELS "install;package" SKIP_RETURN_CODE 77
  RUN_SERIAL TRUE)

# The example program built against the installed headers, library and
# pkg-config file.
add_test(NAME example_program
  COMMAND ${CMAKE_SOURCE_DIR}/tests/install/example_program_test.sh
          ${CMAKE_BINARY_DIR} ${CMAKE_SOURCE_DIR})
set_tests_properties(example_program PROPERTIES TIMEOUT 300 LABELS install)
