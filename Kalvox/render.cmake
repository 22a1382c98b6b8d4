# Render state and primitives: projection, lights and switches, billboards.
kvx_add_library(kvx_render SOURCES ${CMAKE_CURRENT_LIST_DIR}/KvxRender.cpp
  DEPS kvx_geometry kvx_window kvx_runtime OpenGL::GL PkgConfig::GLU)
# The billboard's extended-precision steps are rounded as written: no fused
# multiply-adds, no fast-math (not-a-number values must compare as IEEE says).
target_compile_options(kvx_render PRIVATE -ffp-contract=off -fno-fast-math)
