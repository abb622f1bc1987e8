# VnAdmin.exe: the elevated administrator helper. Its logic is a static
# library of its own so that the tests link it without the program's entry.
file(GLOB VN_ADMIN_SRC CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/admin/*.cpp)
list(FILTER VN_ADMIN_SRC EXCLUDE REGEX "/admin/main\\.cpp$")
add_library(vnadmincore STATIC ${VN_ADMIN_SRC})
target_include_directories(vnadmincore PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(vnadmincore PUBLIC vncommon userenv advapi32 user32)

set(VN_ADMIN_RC ${CMAKE_SOURCE_DIR}/admin/resources/vnadmin.rc)
set_source_files_properties(${VN_ADMIN_RC} PROPERTIES OBJECT_DEPENDS
  "${CMAKE_SOURCE_DIR}/admin/resources/vnadmin.manifest;${CMAKE_SOURCE_DIR}/launcher/resources/resource.h;${CMAKE_SOURCE_DIR}/launcher/resources/icons/program.ico")
add_executable(VnAdmin WIN32 ${CMAKE_SOURCE_DIR}/admin/main.cpp ${VN_ADMIN_RC})
target_include_directories(VnAdmin PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(VnAdmin PRIVATE vnadmincore)
target_link_options(VnAdmin PRIVATE ${VN_EXE_LINK})

if(TARGET admin_tests)
  target_link_libraries(admin_tests PRIVATE vnadmincore)
  # The hook library and its stand-ins, copied into the tests' program folders.
  add_dependencies(admin_tests VnHook core_fakehook_good core_fakehook_badversion core_fakehook_noadmin)
endif()
if(TEST admin)
  set_tests_properties(admin PROPERTIES RESOURCE_LOCK VnHook)
endif()
if(TARGET wiring_tests)
  target_link_libraries(wiring_tests PRIVATE vnadmincore)
endif()
if(TARGET e2e_tests)
  add_dependencies(e2e_tests VnAdmin)
endif()
