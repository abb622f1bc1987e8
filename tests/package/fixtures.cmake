# The package reader is a library of its own. Its archives are made when the
# suite runs, by Info-ZIP zip and 7-Zip (setup test package_fixtures).
target_link_libraries(${name}_tests PRIVATE vnpackage)
if(VN_RUN_TESTS)
  find_package(Python3 REQUIRED COMPONENTS Interpreter)
  add_test(NAME package_fixtures
           COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/package/make_fixtures.py
                   ${VN_FIXTURES}/package)
  set_tests_properties(package_fixtures PROPERTIES FIXTURES_SETUP package_archives)
  # The suite's own test is declared after this file is read.
  cmake_language(DEFER CALL set_tests_properties package PROPERTIES FIXTURES_REQUIRED package_archives)
endif()
