# Stand-in hook libraries: fakehook_<kind>.dll in the fixture folder.
foreach(kind good badversion noexport noadmin)
  add_library(core_fakehook_${kind} SHARED ${CMAKE_CURRENT_LIST_DIR}/fakehook.cpp)
  set_target_properties(core_fakehook_${kind} PROPERTIES
    PREFIX "" OUTPUT_NAME fakehook_${kind}
    RUNTIME_OUTPUT_DIRECTORY ${VN_FIXTURES} ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fixtures-lib)
  # x86: export the stdcall names undecorated, as GetProcAddress asks for them.
  target_link_options(core_fakehook_${kind} PRIVATE -static -Wl,--kill-at)
  add_dependencies(${name}_tests core_fakehook_${kind})
endforeach()
target_compile_definitions(core_fakehook_badversion PRIVATE FAKE_VERSION=0x02000101u)
target_compile_definitions(core_fakehook_noexport PRIVATE FAKE_NO_EXPLORER_EXPORT)
# The administrator helper binds _VnGetAdminReq too.
target_compile_definitions(core_fakehook_noadmin PRIVATE FAKE_NO_ADMIN_EXPORT)
# Shared fixture of the input tests.
target_sources(${name}_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/input_fixture.cpp)
