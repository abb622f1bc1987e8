# A monospaced font renamed to a Cyrillic family name: the GDI+ text path
# must find it by that name.
set(VN_MONO_FONT /usr/share/fonts/truetype/liberation/LiberationMono-Regular.ttf)
set(VN_RENDER_FONT ${VN_FIXTURES}/render_cyrillic.ttf)
add_custom_command(OUTPUT ${VN_RENDER_FONT}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${VN_FIXTURES}
  COMMAND python3 ${CMAKE_CURRENT_LIST_DIR}/rename_font.py ${VN_MONO_FONT}
          ${VN_RENDER_FONT} "Вантрел Моно" VantrelMono
  DEPENDS ${CMAKE_CURRENT_LIST_DIR}/rename_font.py ${VN_MONO_FONT})
add_custom_target(render_fixtures DEPENDS ${VN_RENDER_FONT})
add_dependencies(${name}_tests render_fixtures)
