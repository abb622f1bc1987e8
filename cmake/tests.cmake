# Unit tests: one GoogleTest program per folder of tests/ (tests/store ->
# store_tests), run by ctest through Wine (tools/wine-run.sh) on x86-64.
find_package(GTest REQUIRED CONFIG)
enable_testing()

file(GLOB VN_SUPPORT_SRC CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/support/*.cpp)
add_library(vntestsupport STATIC ${VN_SUPPORT_SRC})
target_link_libraries(vntestsupport PUBLIC vnlauncher GTest::gtest)
target_include_directories(vntestsupport PUBLIC ${CMAKE_SOURCE_DIR}/tests)
# Fixtures made by scripts at build time land here; tests read them via Z:.
set(VN_FIXTURES ${CMAKE_BINARY_DIR}/fixtures)
target_compile_definitions(vntestsupport PUBLIC VN_FIXTURE_DIR=L"Z:${VN_FIXTURES}"
                           VN_BUILD_DIR=L"Z:${CMAKE_BINARY_DIR}")

if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
  set(VN_RUN_TESTS ON)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_SOURCE_DIR}/tools/wine-run.sh)
endif()

set(VN_CURSOR_SUITES core render dialogs submenu)
file(GLOB VN_TEST_DIRS LIST_DIRECTORIES true ${CMAKE_SOURCE_DIR}/tests/*)
foreach(dir ${VN_TEST_DIRS})
  get_filename_component(name ${dir} NAME)
  if(NOT IS_DIRECTORY ${dir} OR name STREQUAL "support" OR name STREQUAL "e2e")
    continue()
  endif()
  file(GLOB srcs CONFIGURE_DEPENDS ${dir}/*_test.cpp)
  if(NOT srcs)
    continue()
  endif()
  add_executable(${name}_tests ${srcs} $<TARGET_OBJECTS:vnresources>)
  target_link_libraries(${name}_tests PRIVATE vntestsupport GTest::gtest_main)
  target_link_options(${name}_tests PRIVATE -static)
  if(EXISTS ${dir}/fixtures.cmake)
    include(${dir}/fixtures.cmake)
  endif()
  if(VN_RUN_TESTS)
    add_test(NAME ${name} COMMAND ${name}_tests)
    set_tests_properties(${name} PROPERTIES TIMEOUT 600)
    # The mouse cursor is one for every process of the prefix: suites that
    # place it must not run beside each other.
    if(name IN_LIST VN_CURSOR_SUITES)
      set_tests_properties(${name} PROPERTIES RESOURCE_LOCK cursor)
    endif()
  endif()
endforeach()

# End-to-end suite (tests/e2e, its own rules): needs the launcher program.
if(TARGET Vantrel)
  include(${CMAKE_SOURCE_DIR}/tests/e2e/e2e.cmake)
endif()
