# Setup.exe: the installer and uninstaller. Its logic is a static library
# of its own so that the tests link it without the program's entry.
file(GLOB VN_SETUP_SRC CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/setup/*.cpp)
list(FILTER VN_SETUP_SRC EXCLUDE REGEX "/setup/main\\.cpp$")
add_library(vnsetupcore STATIC ${VN_SETUP_SRC})
target_include_directories(vnsetupcore PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(vnsetupcore PUBLIC vncommon comctl32 shell32 shlwapi ole32 oleaut32 uuid advapi32
                      user32 userenv)

set(VN_SETUP_RC ${CMAKE_SOURCE_DIR}/setup/resources/setup.rc)
file(GLOB VN_SETUP_RC_DEPS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/setup/resources/*)
set_source_files_properties(${VN_SETUP_RC} PROPERTIES OBJECT_DEPENDS
  "${VN_SETUP_RC_DEPS};${CMAKE_SOURCE_DIR}/launcher/resources/resource.h;${CMAKE_SOURCE_DIR}/launcher/resources/icons/program.ico")
if(EXISTS ${CMAKE_SOURCE_DIR}/setup/main.cpp)
  add_executable(Setup WIN32 ${CMAKE_SOURCE_DIR}/setup/main.cpp ${VN_SETUP_RC})
  target_include_directories(Setup PRIVATE ${CMAKE_SOURCE_DIR})
  target_link_libraries(Setup PRIVATE vnsetupcore)
  target_link_options(Setup PRIVATE ${VN_EXE_LINK})
endif()

if(TARGET setup_tests)
  target_link_libraries(setup_tests PRIVATE vnsetupcore)
endif()

# The staged distribution the end-to-end test installs, and that test, in
# a Wine prefix of its own (it writes the machine's Uninstall key).
if(TARGET Setup AND TARGET e2e_tests)
  add_custom_target(setup_dist
    COMMAND bash ${CMAKE_SOURCE_DIR}/tools/stage-dist.sh ${CMAKE_BINARY_DIR} ${CMAKE_BINARY_DIR}/setupdist > /dev/null
    DEPENDS Setup Vantrel VnHook VnAdmin English Skins LanguageIni)
  add_executable(setup_e2e_tests ${CMAKE_SOURCE_DIR}/tests/setupe2e/setup_e2e.cpp)
  target_link_libraries(setup_e2e_tests PRIVATE vntestsupport GTest::gtest_main)
  target_link_options(setup_e2e_tests PRIVATE -static)
  add_dependencies(setup_e2e_tests setup_dist shellstandin)
  if(VN_RUN_TESTS)
    add_test(NAME setup_e2e COMMAND sh -c "VANTREL_WINEPREFIX=$VANTREL_WINEPREFIX.setup exec '${CMAKE_SOURCE_DIR}/tools/wine-run.sh' '${CMAKE_BINARY_DIR}/setup_e2e_tests.exe'")
    set_tests_properties(setup_e2e PROPERTIES TIMEOUT 600 RUN_SERIAL ON)
  endif()
endif()
