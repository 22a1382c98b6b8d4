# Image buttons and window shapes: palette bitmaps, bitmap-shaped regions and
# hover image buttons.
kvx_add_library(kvx_buttons SOURCES ${CMAKE_CURRENT_LIST_DIR}/KvxButtons.cpp
  ${CMAKE_CURRENT_LIST_DIR}/KvxHoverButton.cpp
  DEPS kvx_platform kvx_runtime)
