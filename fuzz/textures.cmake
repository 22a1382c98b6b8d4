# libFuzzer harnesses for the BMP decoder (in memory), the BMP depth probe and
# file loader, and the TGA reader, plus a program that writes their seed
# corpora with the tests' fixture writers.
kvx_fuzzer(fuzz_bmp ${CMAKE_CURRENT_LIST_DIR}/fuzz_bmp.cpp)
target_link_libraries(fuzz_bmp PRIVATE kvx_platform)
kvx_fuzzer(fuzz_bmp_depth ${CMAKE_CURRENT_LIST_DIR}/fuzz_bmp_depth.cpp)
target_link_libraries(fuzz_bmp_depth PRIVATE kvx_textures kvx_platform)
kvx_fuzzer(fuzz_tga ${CMAKE_CURRENT_LIST_DIR}/fuzz_tga.cpp)
target_link_libraries(fuzz_tga PRIVATE kvx_textures kvx_platform)

add_executable(fuzz_texture_seeds ${CMAKE_CURRENT_LIST_DIR}/fuzz_texture_seeds.cpp
  ${PROJECT_SOURCE_DIR}/tests/support/image_writers.cpp)
target_include_directories(fuzz_texture_seeds PRIVATE ${PROJECT_SOURCE_DIR})
target_compile_options(fuzz_texture_seeds PRIVATE ${KVX_WARNINGS})
