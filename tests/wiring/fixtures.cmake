# The start-up test copies the built hook library into its program folder.
target_compile_definitions(${name}_tests PRIVATE VN_BUILD_DIR=L"Z:${CMAKE_BINARY_DIR}")
function(vn_wiring_depend_on_hook_library)
  if(TARGET VnHook)
    add_dependencies(wiring_tests VnHook)
  endif()
endfunction()
cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL vn_wiring_depend_on_hook_library)
