# VnHook.dll: the hook library, loaded at run time by the launcher and the
# administrator helper. The gesture logic is a static library of its own so
# the tests and the benchmark compile it without going through the DLL.
set(VN_HOOKCORE_SRC
    ${CMAKE_SOURCE_DIR}/hooklib/adminring.cpp
    ${CMAKE_SOURCE_DIR}/hooklib/hookenv.cpp
    ${CMAKE_SOURCE_DIR}/hooklib/circle.cpp
    ${CMAKE_SOURCE_DIR}/hooklib/keyboard.cpp
    ${CMAKE_SOURCE_DIR}/hooklib/mouse.cpp
    ${CMAKE_SOURCE_DIR}/hooklib/places.cpp
    ${CMAKE_SOURCE_DIR}/hooklib/settings.cpp)
add_library(vnhookcore STATIC ${VN_HOOKCORE_SRC})
target_include_directories(vnhookcore PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(vnhookcore PUBLIC user32 advapi32)

# The .def gives the exports their undecorated names on x86 too.
add_library(VnHook SHARED ${CMAKE_SOURCE_DIR}/hooklib/vnhook.cpp
            ${CMAKE_SOURCE_DIR}/hooklib/vnhook.def ${CMAKE_SOURCE_DIR}/hooklib/vnhook.rc)
set_source_files_properties(${CMAKE_SOURCE_DIR}/hooklib/vnhook.rc PROPERTIES
                            OBJECT_DEPENDS ${CMAKE_SOURCE_DIR}/launcher/resources/resource.h)
target_include_directories(VnHook PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(VnHook PRIVATE vnhookcore)
target_link_options(VnHook PRIVATE -static -Wl,--enable-stdcall-fixup)
set_target_properties(VnHook PROPERTIES PREFIX "" OUTPUT_NAME VnHook)

if(TARGET hooklib_tests)
  target_link_libraries(hooklib_tests PRIVATE vnhookcore comctl32)
  # A second process that maps the library, for the shared-section tests.
  add_executable(hook_peer ${CMAKE_SOURCE_DIR}/tests/hooklib/hook_peer.cpp)
  target_include_directories(hook_peer PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/tests)
  target_link_options(hook_peer PRIVATE ${VN_EXE_LINK})
  add_dependencies(hooklib_tests VnHook hook_peer)
endif()
# Suites that load VnHook.dll share its one section and inject input: run
# them alone.
if(TEST hooklib)
  set_tests_properties(hooklib PROPERTIES RUN_SERIAL ON RESOURCE_LOCK VnHook)
endif()
# The end-to-end and start-up tests copy the library into program folders.
foreach(suite e2e_tests wiring_tests)
  if(TARGET ${suite})
    add_dependencies(${suite} VnHook)
  endif()
endforeach()
if(TEST wiring)
  set_tests_properties(wiring PROPERTIES RESOURCE_LOCK VnHook)
endif()

foreach(bench hook_bench mouse_bench)
  if(TARGET ${bench})
    target_link_libraries(${bench} PRIVATE vnhookcore)
  endif()
endforeach()
