# Fixtures of the store suite, written at build time into ${VN_FIXTURES}.
# One block per script; each adds its own target to the store_tests dependencies.
find_package(Python3 REQUIRED COMPONENTS Interpreter)

# INI engine: expected writer output.
if(NOT TARGET store_ini_fixtures)
  set(VN_INI_FIXTURE_FILES ${VN_FIXTURES}/ini_writer_sample.ini ${VN_FIXTURES}/ini_writer_minimal.ini)
  add_custom_command(
    OUTPUT ${VN_INI_FIXTURE_FILES}
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_LIST_DIR}/ini_fixtures.py ${VN_FIXTURES}
    DEPENDS ${CMAKE_CURRENT_LIST_DIR}/ini_fixtures.py
    COMMENT "INI fixtures")
  add_custom_target(store_ini_fixtures DEPENDS ${VN_INI_FIXTURE_FILES})
  add_dependencies(${name}_tests store_ini_fixtures)
endif()
