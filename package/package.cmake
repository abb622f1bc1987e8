# The package program. Stripped: the payload is appended right behind the
# last section, and a symbol table there would sit between the two.
if(VN_ARCH STREQUAL "x64")
  set(VN_PACKAGE_NAME mobral64W)
else()
  set(VN_PACKAGE_NAME mobralW)
endif()
add_executable(${VN_PACKAGE_NAME} WIN32 ${CMAKE_SOURCE_DIR}/package/main.cpp)
target_link_libraries(${VN_PACKAGE_NAME} PRIVATE vnpackage user32 shell32)
target_link_options(${VN_PACKAGE_NAME} PRIVATE ${VN_EXE_LINK} -s)

# Packages of a small tree for the end-to-end tests, with a recording
# program as their command.
if(TARGET e2e_tests AND TARGET e2e_marker AND TARGET vnrecorder)
  find_package(Python3 REQUIRED COMPONENTS Interpreter)
  set(VN_SFX_FIXTURES ${CMAKE_BINARY_DIR}/fixtures/sfx)
  add_custom_command(OUTPUT ${VN_SFX_FIXTURES}/deleting.exe
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/e2e/make_packages.py
            $<TARGET_FILE:${VN_PACKAGE_NAME}> $<TARGET_FILE:e2e_marker> $<TARGET_FILE:vnrecorder> ${VN_SFX_FIXTURES}
    DEPENDS ${VN_PACKAGE_NAME} e2e_marker vnrecorder ${CMAKE_SOURCE_DIR}/tests/e2e/make_packages.py
            ${CMAKE_SOURCE_DIR}/tools/make-package.py
    VERBATIM)
  add_custom_target(sfx_packages DEPENDS ${VN_SFX_FIXTURES}/deleting.exe)
  add_dependencies(e2e_tests sfx_packages)
endif()
if(TARGET package_tests)
  add_dependencies(package_tests ${VN_PACKAGE_NAME})
  target_compile_definitions(package_tests PRIVATE VN_PACKAGE_PROGRAM=L"${VN_PACKAGE_NAME}.exe")
endif()
