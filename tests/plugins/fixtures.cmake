# Sample plug-ins, built from the public header alone (C, no launcher
# include path): Plugin_<kind>.dll in fixtures/plugins.
set(VN_PLUGIN_FIXTURES ${VN_FIXTURES}/plugins)
foreach(kind good old exact refuse noexport)
  add_library(plugin_sample_${kind} SHARED ${CMAKE_CURRENT_LIST_DIR}/sample_plugin.c)
  set_target_properties(plugin_sample_${kind} PROPERTIES
    PREFIX "" OUTPUT_NAME Sample_${kind} C_STANDARD 99
    RUNTIME_OUTPUT_DIRECTORY ${VN_PLUGIN_FIXTURES} ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fixtures-lib)
  target_include_directories(plugin_sample_${kind} PRIVATE ${CMAKE_SOURCE_DIR}/launcher/plugins)
  target_compile_options(plugin_sample_${kind} PRIVATE -Wall -Wextra -Werror)
  target_link_options(plugin_sample_${kind} PRIVATE -static)
  add_dependencies(${name}_tests plugin_sample_${kind})
endforeach()
target_compile_definitions(plugin_sample_old PRIVATE SAMPLE_VERSION=0x0401FFFFu)
target_compile_definitions(plugin_sample_exact PRIVATE SAMPLE_VERSION=0x04020000u)
target_compile_definitions(plugin_sample_good PRIVATE SAMPLE_VERSION=0x04020105u)
target_compile_definitions(plugin_sample_refuse PRIVATE SAMPLE_INIT_RESULT=0)
target_compile_definitions(plugin_sample_noexport PRIVATE SAMPLE_NO_EXPORT)
target_compile_definitions(${name}_tests PRIVATE VN_PLUGIN_FIXTURES=L"Z:${VN_PLUGIN_FIXTURES}")
