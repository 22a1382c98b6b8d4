# libFuzzer harness for the bitmap-to-region builder.  Configure a separate
# build directory with clang and instrument the libraries too, e.g.
#   cmake -S . -B build-fuzz -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
#     -DKVX_BUILD_FUZZERS=ON -DCMAKE_CXX_FLAGS="-fsanitize=address,undefined -fsanitize=fuzzer-no-link"
# Seeds: fuzz_region_seeds DIR writes a few small BMP files of every depth.
add_executable(fuzz_region ${CMAKE_CURRENT_LIST_DIR}/fuzz_region.cpp)
target_compile_options(fuzz_region PRIVATE ${KVX_WARNINGS} -fsanitize=fuzzer,address,undefined)
target_link_options(fuzz_region PRIVATE -fsanitize=fuzzer,address,undefined)
target_link_libraries(fuzz_region PRIVATE kvx_buttons kvx_platform)

if(TARGET kvx_image_writers)
  add_executable(fuzz_region_seeds ${CMAKE_CURRENT_LIST_DIR}/fuzz_region_seeds.cpp)
  target_compile_options(fuzz_region_seeds PRIVATE ${KVX_WARNINGS})
  target_link_libraries(fuzz_region_seeds PRIVATE kvx_image_writers)
endif()
