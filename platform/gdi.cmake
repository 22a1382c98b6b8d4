# Drawing surfaces: memory device contexts and BitBlt, DIB sections,
# palettes, regions and window shapes, movable global memory.
target_sources(kvx_platform PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/gdi_dc.cpp
  ${CMAKE_CURRENT_LIST_DIR}/gdi_dib.cpp
  ${CMAKE_CURRENT_LIST_DIR}/gdi_global.cpp
  ${CMAKE_CURRENT_LIST_DIR}/gdi_palette.cpp
  ${CMAKE_CURRENT_LIST_DIR}/gdi_region.cpp)
