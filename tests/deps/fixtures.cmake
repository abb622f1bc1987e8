# Images and a raw deflate stream for the dependency smoke test. The PATH
# convert may be a stand-in; ImageMagick's own lives in /usr/bin.
set(VN_DEPS_FIXTURES ${VN_FIXTURES}/deps)
set(VN_DEPS_FIXTURE_FILES
  ${VN_DEPS_FIXTURES}/redblue8x4.png ${VN_DEPS_FIXTURES}/orange16bit.png
  ${VN_DEPS_FIXTURES}/blue16.jpg ${VN_DEPS_FIXTURES}/sample.deflate ${VN_DEPS_FIXTURES}/sample.expect)
find_package(Python3 REQUIRED COMPONENTS Interpreter)
add_custom_command(
  OUTPUT ${VN_DEPS_FIXTURE_FILES}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${VN_DEPS_FIXTURES}
  # Two colours: a 1-bit palette image, so expanding and unpacking both run.
  COMMAND /usr/bin/convert -size 4x4 "xc:#FF0000" -size 4x4 "xc:#0000FF" +append -strip
          ${VN_DEPS_FIXTURES}/redblue8x4.png
  COMMAND /usr/bin/convert -size 3x5 "xc:#FF8000" -strip PNG48:${VN_DEPS_FIXTURES}/orange16bit.png
  COMMAND /usr/bin/convert -size 16x16 "xc:#3050A0" -quality 95 -strip ${VN_DEPS_FIXTURES}/blue16.jpg
  COMMAND Python3::Interpreter ${CMAKE_CURRENT_LIST_DIR}/make_deflate.py ${VN_DEPS_FIXTURES}
  DEPENDS ${CMAKE_CURRENT_LIST_DIR}/make_deflate.py
  VERBATIM)
add_custom_target(deps_fixtures DEPENDS ${VN_DEPS_FIXTURE_FILES})
add_dependencies(${name}_tests deps_fixtures)
