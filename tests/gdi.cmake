# Drawing surfaces, palettes, regions and window shapes, global memory, and
# the palette bitmaps and bitmap-shaped regions of the button module.
kvx_test(test_region SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_region.cpp LIBS kvx_platform)
kvx_test(test_gdi
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_gdi.cpp ${CMAKE_CURRENT_LIST_DIR}/test_gdi_buttons.cpp
  LIBS kvx_buttons kvx_platform kvx_image_writers)
kvx_test(test_buttons SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_buttons.cpp
  LIBS kvx_buttons kvx_platform kvx_image_writers)
