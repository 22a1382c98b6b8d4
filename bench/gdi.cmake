# BITMAPTOREGION on 1024 by 1024 pictures (a solid disc, a checkerboard of
# one-pixel runs) against baselines that load the same file and only count
# its opaque runs.  Prints the ratios at the end of the run.
find_package(benchmark QUIET)
if(benchmark_FOUND)
  add_executable(bench_region ${CMAKE_CURRENT_LIST_DIR}/bench_region.cpp)
  target_compile_options(bench_region PRIVATE ${KVX_WARNINGS})
  target_link_libraries(bench_region PRIVATE kvx_buttons kvx_platform benchmark::benchmark)
endif()
