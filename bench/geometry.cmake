# One demo frame's wind work, the library against the plain full-copy model.
if(NOT TARGET benchmark::benchmark)
  find_package(benchmark REQUIRED)
endif()
if(NOT TARGET kvx_refgeom)
  add_library(kvx_refgeom STATIC ${PROJECT_SOURCE_DIR}/tests/support/reference_geometry.cpp)
  target_include_directories(kvx_refgeom PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(kvx_refgeom PUBLIC OpenGL::GL)
  target_compile_options(kvx_refgeom PRIVATE ${KVX_WARNINGS} -ffp-contract=off)
endif()
if(NOT TARGET kvx_gltrace)
  add_library(kvx_gltrace STATIC ${PROJECT_SOURCE_DIR}/tests/support/gltrace.cpp)
  target_include_directories(kvx_gltrace PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(kvx_gltrace PUBLIC OpenGL::GL PkgConfig::GLU ${CMAKE_DL_LIBS})
endif()
add_executable(bench_wind ${CMAKE_CURRENT_LIST_DIR}/bench_wind.cpp)
# The replaced operator new/delete (allocation counting) pair malloc with free,
# which GCC mistakes for a mismatch.
target_compile_options(bench_wind PRIVATE ${KVX_WARNINGS} -ffp-contract=off -Wno-mismatched-new-delete)
target_link_libraries(bench_wind PRIVATE kvx_geometry kvx_tutorial kvx_refgeom kvx_gltrace
                      benchmark::benchmark)
