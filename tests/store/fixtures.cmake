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

# Version reader: resource-only libraries (no code, no imports).
if(NOT TARGET store_version_dlls)
  set(VN_VERSION_DLLS)
  foreach(variant PRODUCT TRUNCATED NONE)
    string(TOLOWER ${variant} lower)
    set(obj ${CMAKE_CURRENT_BINARY_DIR}/version_${lower}.res.o)
    set(dll ${VN_FIXTURES}/version_${lower}.dll)
    add_custom_command(OUTPUT ${dll}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${VN_FIXTURES}
      COMMAND ${CMAKE_RC_COMPILER} -DVN_FX_${variant} -O coff
              ${CMAKE_CURRENT_LIST_DIR}/fixtures/version_dlls.rc -o ${obj}
      COMMAND ${CMAKE_C_COMPILER} -shared -nostdlib -Wl,-e,0 -s ${obj} -o ${dll}
      DEPENDS ${CMAKE_CURRENT_LIST_DIR}/fixtures/version_dlls.rc
      VERBATIM)
    list(APPEND VN_VERSION_DLLS ${dll})
  endforeach()
  add_custom_target(store_version_dlls DEPENDS ${VN_VERSION_DLLS})
  add_dependencies(${name}_tests store_version_dlls)
endif()

# Design files: written by hand, independently of the program's writer, and a
# corpus of damaged ones (design_fixtures.py).
if(NOT TARGET store_design_fixtures)
  set(VN_DESIGN_FIXTURE_STAMP ${VN_FIXTURES}/design/.stamp)
  add_custom_command(
    OUTPUT ${VN_DESIGN_FIXTURE_STAMP}
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_LIST_DIR}/design_fixtures.py ${VN_FIXTURES}/design
    COMMAND ${CMAKE_COMMAND} -E touch ${VN_DESIGN_FIXTURE_STAMP}
    DEPENDS ${CMAKE_CURRENT_LIST_DIR}/design_fixtures.py
    COMMENT "Design file fixtures")
  add_custom_target(store_design_fixtures DEPENDS ${VN_DESIGN_FIXTURE_STAMP})
  add_dependencies(${name}_tests store_design_fixtures)
endif()

# Language choice: libraries that differ only in their version string
# (string 300), lang_<name>.dll; the shipped English.dll and Language.ini are
# read from the build too.
if(NOT TARGET store_lang_v421)
  foreach(pair "v421=4.21" "v420=4.20" "comma=4,21" "v999=9.99" "short=4.2" "v500=5.00" "long=4.210"
          "letter=4.2a")
    string(REPLACE "=" ";" parts ${pair})
    list(GET parts 0 VN_LANG_NAME)
    list(GET parts 1 VN_LANG_VERSION)
    configure_file(${CMAKE_CURRENT_LIST_DIR}/fixtures/langlib.rc.in
                   ${CMAKE_BINARY_DIR}/store_lang_${VN_LANG_NAME}.rc @ONLY)
    add_library(store_lang_${VN_LANG_NAME} SHARED ${CMAKE_BINARY_DIR}/store_lang_${VN_LANG_NAME}.rc)
    set_target_properties(store_lang_${VN_LANG_NAME} PROPERTIES
      PREFIX "" OUTPUT_NAME lang_${VN_LANG_NAME} LINKER_LANGUAGE C
      RUNTIME_OUTPUT_DIRECTORY ${VN_FIXTURES} ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fixtures-lib)
    target_link_options(store_lang_${VN_LANG_NAME} PRIVATE -nostdlib -Wl,-e,0)
    add_dependencies(${name}_tests store_lang_${VN_LANG_NAME})
  endforeach()
  add_dependencies(${name}_tests English LanguageIni)
endif()

# Settings files: written by hand from the file format, golden files of the
# upgrade and a corpus of broken files (settings_fixtures.py).
if(NOT TARGET store_settings_fixtures)
  set(VN_SETTINGS_FIXTURE_STAMP ${VN_FIXTURES}/settings/.stamp)
  add_custom_command(
    OUTPUT ${VN_SETTINGS_FIXTURE_STAMP}
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${VN_FIXTURES}/settings
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_LIST_DIR}/settings_fixtures.py ${VN_FIXTURES}/settings
    COMMAND ${CMAKE_COMMAND} -E touch ${VN_SETTINGS_FIXTURE_STAMP}
    DEPENDS ${CMAKE_CURRENT_LIST_DIR}/settings_fixtures.py
    COMMENT "Settings file fixtures")
  add_custom_target(store_settings_fixtures DEPENDS ${VN_SETTINGS_FIXTURE_STAMP})
  add_dependencies(${name}_tests store_settings_fixtures)
endif()
