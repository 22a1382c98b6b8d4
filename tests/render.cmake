# Render state: projection, lights and switches, billboards (headless context).
kvx_test(test_render SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_render.cpp
  LIBS kvx_render kvx_gltrace kvx_testgl)
# The seam defines gluPerspective itself and forwards to libGLU found at run
# time: keep libGLU loaded although the executable needs none of its symbols.
target_link_options(test_render PRIVATE "LINKER:--no-as-needed")
