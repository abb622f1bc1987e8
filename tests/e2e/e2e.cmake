# End-to-end tests: the built Vantrel.exe copied into temporary program
# folders and driven by e2e_tests (messages, second starts) under Xvfb.
file(GLOB VN_E2E_SRC CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/e2e/*_test.cpp)
add_executable(e2e_tests ${VN_E2E_SRC})
target_link_libraries(e2e_tests PRIVATE vntestsupport GTest::gtest_main)
target_link_options(e2e_tests PRIVATE -static)
# The program the seeded buttons start: it notes each start in a file.
add_executable(e2e_marker WIN32 ${CMAKE_SOURCE_DIR}/tests/e2e/marker.cpp)
set_target_properties(e2e_marker PROPERTIES OUTPUT_NAME marker)
target_link_options(e2e_marker PRIVATE -static -municode)
add_dependencies(e2e_tests Vantrel English core_fakehook_good core_fakehook_badversion e2e_marker)
# The skin tests take their skins from the render suite's fixtures.
add_dependencies(e2e_tests skinsel_fixtures)
if(VN_RUN_TESTS)
  add_test(NAME e2e COMMAND e2e_tests)
  # Alone: showing a window activates it, and under Wine that waits on
  # whichever other test's window is in front. The launchers also map the
  # hook library's shared section.
  set_tests_properties(e2e PROPERTIES TIMEOUT 900 RUN_SERIAL ON RESOURCE_LOCK VnHook)
endif()
# Stand-in program the launch tests start: it records how it was started.
add_executable(vnrecorder WIN32 ${CMAKE_SOURCE_DIR}/tests/e2e/vnrecorder.cpp)
target_link_options(vnrecorder PRIVATE -static -municode)
add_dependencies(e2e_tests vnrecorder)
# Stand-in for the desktop shell's window (Wine has none), for the helper's
# de-elevated launcher start.
add_executable(shellstandin WIN32 ${CMAKE_SOURCE_DIR}/tests/e2e/shellstandin.cpp)
target_link_options(shellstandin PRIVATE -static -municode)
add_dependencies(e2e_tests shellstandin)
# The shipped skins, selected with the settings tool.
add_dependencies(e2e_tests vnsettings Skins)
# The sample plug-ins the plug-in tests put beside the launcher.
add_dependencies(e2e_tests plugin_sample_good plugin_sample_old)
