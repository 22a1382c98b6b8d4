# Geometry and vertex editing: vectors, rotation matrices, normals, the
# recorded-vertex table and its deformation, and the textured line.
kvx_add_library(kvx_geometry
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/KvxGeometry.cpp ${CMAKE_CURRENT_LIST_DIR}/KvxLines.cpp
  DEPS kvx_runtime OpenGL::GL)
# Bit-exact extended-precision arithmetic: no contraction into fused
# multiply-adds, no reassociation.
target_compile_options(kvx_geometry PRIVATE -ffp-contract=off -fno-fast-math)
