# The tutorial module: the row-subdivided upright rectangle.
kvx_add_library(kvx_tutorial
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/KvxTutorial.cpp
  DEPS kvx_geometry OpenGL::GL)
target_compile_options(kvx_tutorial PRIVATE -ffp-contract=off -fno-fast-math)
