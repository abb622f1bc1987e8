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

# Images for the decoders, made by ImageMagick (the PATH convert may be a
# stand-in: use /usr/bin), and zipped skins made by Info-ZIP zip from them.
set(VN_IMAGE_DIR ${VN_FIXTURES}/image)
set(VN_IMAGE_FILES
  ${VN_IMAGE_DIR}/rgba.png ${VN_IMAGE_DIR}/rgb16.png ${VN_IMAGE_DIR}/palette.png
  ${VN_IMAGE_DIR}/palette-trns.png ${VN_IMAGE_DIR}/gray4.png ${VN_IMAGE_DIR}/gray8.png
  ${VN_IMAGE_DIR}/gray-alpha.png ${VN_IMAGE_DIR}/wide.png ${VN_IMAGE_DIR}/rgb.jpg
  ${VN_IMAGE_DIR}/gray.jpg ${VN_IMAGE_DIR}/cmyk.jpg ${VN_IMAGE_DIR}/gradient.jpg
  ${VN_IMAGE_DIR}/wide.jpg ${VN_IMAGE_DIR}/rgb24.bmp ${VN_IMAGE_DIR}/rgba32.bmp
  ${VN_IMAGE_DIR}/palette1.bmp)
set(VN_ZIP_DIR ${VN_FIXTURES}/skinzip)
set(VN_ZIP_STAMP ${VN_ZIP_DIR}/made.stamp)
set(IM /usr/bin/convert)
add_custom_command(OUTPUT ${VN_IMAGE_FILES}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${VN_IMAGE_DIR}
  # Half, full and no alpha side by side.
  COMMAND ${IM} -size 1x1 "xc:rgba(200,100,50,0.50196)" "xc:rgba(10,20,30,1)" "xc:rgba(90,80,70,0)"
          +append -strip PNG32:${VN_IMAGE_DIR}/rgba.png
  COMMAND ${IM} -size 3x5 "xc:#FF8000" -strip PNG48:${VN_IMAGE_DIR}/rgb16.png
  # Two colours: a 1-bit palette.
  COMMAND ${IM} -size 4x4 "xc:#FF0000" -size 4x4 "xc:#0000FF" +append -strip ${VN_IMAGE_DIR}/palette.png
  COMMAND ${IM} -size 1x1 "xc:#FF0000" xc:none +append -strip PNG8:${VN_IMAGE_DIR}/palette-trns.png
  # 0x66 fits 4-bit gray (0x6 * 17).
  COMMAND ${IM} -size 4x2 "xc:#666666" -colorspace Gray -strip ${VN_IMAGE_DIR}/gray4.png
  COMMAND ${IM} -size 4x2 "xc:#4D4D4D" -colorspace Gray -define png:bit-depth=8 -define png:color-type=0
          -strip ${VN_IMAGE_DIR}/gray8.png
  COMMAND ${IM} -size 4x2 "xc:rgba(100,100,100,0.50196)" -colorspace Gray -define png:color-type=4
          -strip ${VN_IMAGE_DIR}/gray-alpha.png
  COMMAND ${IM} -size 9000x1 "xc:#FF0000" -strip ${VN_IMAGE_DIR}/wide.png
  COMMAND ${IM} -size 16x16 "xc:#3050A0" -quality 95 -strip ${VN_IMAGE_DIR}/rgb.jpg
  COMMAND ${IM} -size 8x8 "xc:#666666" -colorspace Gray -quality 95 -strip ${VN_IMAGE_DIR}/gray.jpg
  COMMAND ${IM} -size 8x8 "xc:cyan" -colorspace CMYK -strip ${VN_IMAGE_DIR}/cmyk.jpg
  COMMAND ${IM} -size 64x64 gradient:red-blue -quality 95 -strip ${VN_IMAGE_DIR}/gradient.jpg
  COMMAND ${IM} -size 9000x8 "xc:#FF0000" -strip ${VN_IMAGE_DIR}/wide.jpg
  # Top row red, bottom row blue: shows the row order.
  COMMAND ${IM} -size 3x1 "xc:#FF0000" -size 3x1 "xc:#0000FF" -append -type TrueColor -strip
          BMP3:${VN_IMAGE_DIR}/rgb24.bmp
  COMMAND ${IM} -size 3x1 "xc:rgba(200,100,50,0.50196)" -size 3x1 "xc:#0000FF" -append -strip
          BMP:${VN_IMAGE_DIR}/rgba32.bmp
  COMMAND ${IM} -size 3x1 "xc:#FF0000" -size 3x1 "xc:#00FF00" -append -type Palette -strip
          BMP3:${VN_IMAGE_DIR}/palette1.bmp
  VERBATIM)
add_custom_command(OUTPUT ${VN_ZIP_STAMP}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${VN_ZIP_DIR}
  COMMAND python3 ${CMAKE_CURRENT_LIST_DIR}/make_skin_zips.py ${VN_ZIP_DIR} ${VN_IMAGE_DIR}/rgba.png
  COMMAND ${CMAKE_COMMAND} -E touch ${VN_ZIP_STAMP}
  DEPENDS ${CMAKE_CURRENT_LIST_DIR}/make_skin_zips.py ${VN_IMAGE_DIR}/rgba.png
  VERBATIM)
add_custom_target(image_fixtures DEPENDS ${VN_IMAGE_FILES} ${VN_ZIP_STAMP})
add_dependencies(${name}_tests image_fixtures)

# A program folder's Skins for the skin selection tests (also the end-to-end
# suite's): a tiny skin as a folder and as zips by Info-ZIP zip, broken skins.
set(VN_SELECT_DIR ${VN_FIXTURES}/skinsel)
set(VN_SELECT_STAMP ${VN_FIXTURES}/skinsel.stamp)
add_custom_command(OUTPUT ${VN_SELECT_STAMP}
  COMMAND python3 ${CMAKE_CURRENT_LIST_DIR}/make_select_skins.py ${VN_SELECT_DIR}
  COMMAND ${CMAKE_COMMAND} -E touch ${VN_SELECT_STAMP}
  DEPENDS ${CMAKE_CURRENT_LIST_DIR}/make_select_skins.py
  VERBATIM)
add_custom_target(skinsel_fixtures DEPENDS ${VN_SELECT_STAMP})
add_dependencies(${name}_tests skinsel_fixtures)

# Two flat-coloured skins (colour key and per-pixel alpha), each as a folder
# and a zip in fixtures/skins/Skins, for the skinned drawing and hit tests.
set(VN_SKIN_FIXTURE_STAMP ${VN_FIXTURES}/skins/made.stamp)
add_custom_command(OUTPUT ${VN_SKIN_FIXTURE_STAMP}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${VN_FIXTURES}/skins
  COMMAND python3 ${CMAKE_CURRENT_LIST_DIR}/make_fixture_skins.py ${VN_FIXTURES}/skins
  COMMAND ${CMAKE_COMMAND} -E touch ${VN_SKIN_FIXTURE_STAMP}
  DEPENDS ${CMAKE_CURRENT_LIST_DIR}/make_fixture_skins.py
  VERBATIM)
add_custom_target(skin_fixtures DEPENDS ${VN_SKIN_FIXTURE_STAMP})
add_dependencies(${name}_tests skin_fixtures)

# The shipped skins, as folder and zip in the build's Skins\.
add_dependencies(${name}_tests Skins)
