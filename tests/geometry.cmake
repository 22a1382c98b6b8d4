# Geometry and vertex editing, textured lines and the subdivided quad.
if(NOT TARGET kvx_refgeom)
  # The plain model of the vertex table (also used by the wind benchmark).
  add_library(kvx_refgeom STATIC ${PROJECT_SOURCE_DIR}/tests/support/reference_geometry.cpp)
  target_include_directories(kvx_refgeom PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(kvx_refgeom PUBLIC OpenGL::GL)
  target_compile_options(kvx_refgeom PRIVATE ${KVX_WARNINGS} -ffp-contract=off)
endif()
kvx_test(test_geometry
  SOURCES test_geometry_math.cpp test_geometry_table.cpp test_geometry_property.cpp
  LIBS kvx_geometry kvx_tutorial kvx_refgeom kvx_gltrace)
target_compile_options(test_geometry PRIVATE -ffp-contract=off)
