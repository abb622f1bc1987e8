# testlang.dll: a resource-only language library for the message tests.
string(REPEAT "0123456789" 150 VN_LONG_TEXT)
configure_file(${CMAKE_CURRENT_LIST_DIR}/testlang.rc.in ${CMAKE_BINARY_DIR}/dialogs_testlang.rc @ONLY)
add_library(dialogs_testlang SHARED ${CMAKE_BINARY_DIR}/dialogs_testlang.rc)
set_target_properties(dialogs_testlang PROPERTIES
  PREFIX "" OUTPUT_NAME testlang LINKER_LANGUAGE C
  RUNTIME_OUTPUT_DIRECTORY ${VN_FIXTURES} ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fixtures-lib)
target_link_options(dialogs_testlang PRIVATE -nostdlib -Wl,-e,0)
add_dependencies(${name}_tests dialogs_testlang)
# The language dialog lists the shipped English.dll and the store's version fixtures.
add_dependencies(${name}_tests English store_lang_v421 store_lang_v420 store_lang_comma)
