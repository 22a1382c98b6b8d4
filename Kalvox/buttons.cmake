# Image buttons and window shapes: palette bitmaps and bitmap-shaped regions.
kvx_add_library(kvx_buttons SOURCES ${CMAKE_CURRENT_LIST_DIR}/KvxButtons.cpp
  DEPS kvx_platform kvx_runtime)
