# Resources made at build time into the build's resource copy (bv_resource_copy), never
# committed: the pictures, the example study, the web scripts' archive, the sounds and the
# label font under the file names the screens use. See docs/resources.md. Appends the outputs
# to bv_resource_copies.

find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(bv_resource_scripts ${PROJECT_SOURCE_DIR}/scripts/resources)

# Pictures: every module of scripts/pictures/ draws its own.
file(GLOB bv_picture_scripts CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/scripts/pictures/*.py)
add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/pictures.stamp
  COMMAND Python3::Interpreter ${PROJECT_SOURCE_DIR}/scripts/pictures/make_pictures.py
          ${bv_resource_copy} ${PROJECT_BINARY_DIR}/pictures.stamp
  DEPENDS ${bv_picture_scripts}
  VERBATIM)

add_custom_command(OUTPUT ${bv_resource_copy}/example.zip
  COMMAND Python3::Interpreter ${bv_resource_scripts}/make_example_study.py
          ${bv_resource_copy}/example.zip
  DEPENDS ${bv_resource_scripts}/make_example_study.py
  VERBATIM)

add_custom_command(OUTPUT ${bv_resource_copy}/js.zip
  COMMAND Python3::Interpreter ${bv_resource_scripts}/make_js_archive.py ${bv_resource_copy}/js.zip
  DEPENDS ${bv_resource_scripts}/make_js_archive.py
  VERBATIM)

add_custom_command(OUTPUT ${bv_resource_copy}/res/dingdong.wav ${bv_resource_copy}/res/waterfall.wav
  COMMAND Python3::Interpreter ${bv_resource_scripts}/make_sounds.py ${bv_resource_copy}/res
  DEPENDS ${bv_resource_scripts}/make_sounds.py
  VERBATIM)

# The window/level shader: readable GLSL in the image library, Base64 text as the program reads it.
set(bv_shader_sources ${PROJECT_SOURCE_DIR}/imagesdk/render/shaders)
add_custom_command(OUTPUT ${bv_resource_copy}/i.v ${bv_resource_copy}/id.f
  COMMAND Python3::Interpreter ${bv_resource_scripts}/make_shaders.py
          ${bv_shader_sources}/windowLevel.vert ${bv_resource_copy}/i.v
          ${bv_shader_sources}/windowLevel.frag ${bv_resource_copy}/id.f
  DEPENDS ${bv_resource_scripts}/make_shaders.py ${bv_shader_sources}/windowLevel.vert
          ${bv_shader_sources}/windowLevel.frag
  VERBATIM)

# The label font: Droid Sans Fallback (Apache-2.0, Debian's fonts-droid-fallback), which covers
# Chinese, Japanese and Korean; letters it lacks come from the system's fonts glyph by glyph. The
# screens name it in two spellings, and the file system tells them apart.
find_file(BV_LABEL_FONT DroidSansFallbackFull.ttf
  PATHS /usr/share/fonts/truetype/droid NO_DEFAULT_PATH)
if(NOT BV_LABEL_FONT)
  message(FATAL_ERROR "The label font is missing: install fonts-droid-fallback "
                      "(scripts/setup.sh), or set BV_LABEL_FONT to a CJK-capable TrueType font.")
endif()
foreach(name DFPGB_H3.TTF DFPGB_H3.ttf)
  add_custom_command(OUTPUT ${bv_resource_copy}/${name}
    COMMAND ${CMAKE_COMMAND} -E copy ${BV_LABEL_FONT} ${bv_resource_copy}/${name}
    DEPENDS ${BV_LABEL_FONT}
    VERBATIM)
  list(APPEND bv_resource_copies ${bv_resource_copy}/${name})
endforeach()

list(APPEND bv_resource_copies ${PROJECT_BINARY_DIR}/pictures.stamp
     ${bv_resource_copy}/example.zip ${bv_resource_copy}/js.zip
     ${bv_resource_copy}/res/dingdong.wav ${bv_resource_copy}/res/waterfall.wav
     ${bv_resource_copy}/i.v ${bv_resource_copy}/id.f)
