# The clue-picture generator. Its output, resources/clue-picture.jpg, is
# committed, so the normal build never runs it; build the target
# regenerate_clue_picture to draw the picture again after changing the tool.
add_executable(make_clue_picture ${CMAKE_CURRENT_SOURCE_DIR}/make_clue_picture.cpp)
target_link_libraries(make_clue_picture PRIVATE JPEG::JPEG Freetype::Freetype)

add_custom_target(
  regenerate_clue_picture
  COMMAND make_clue_picture ${CMAKE_SOURCE_DIR}/resources/clue-picture.jpg
  DEPENDS make_clue_picture
  COMMENT "Drawing resources/clue-picture.jpg")
