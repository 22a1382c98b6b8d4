# Bitmaps: the BMP decoder and the Bitmap GDI object with LoadImageA.
target_sources(kvx_platform PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/bmp_decode.cpp
  ${CMAKE_CURRENT_LIST_DIR}/gdi_bitmap.cpp)
