# libFuzzer harness for the bitmap-to-region builder.
# Seeds: fuzz_region_seeds DIR writes a few small BMP files of every depth.
kvx_fuzzer(fuzz_region ${CMAKE_CURRENT_LIST_DIR}/fuzz_region.cpp)
target_link_libraries(fuzz_region PRIVATE kvx_buttons kvx_platform)

if(TARGET kvx_image_writers)
  add_executable(fuzz_region_seeds ${CMAKE_CURRENT_LIST_DIR}/fuzz_region_seeds.cpp)
  target_compile_options(fuzz_region_seeds PRIVATE ${KVX_WARNINGS})
  target_link_libraries(fuzz_region_seeds PRIVATE kvx_image_writers)
endif()
