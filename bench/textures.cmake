# Decoding BMP and TGA files to pixels against stb_image (Debian's libstb-dev,
# header only, compiled into this benchmark alone; the library never uses it).
# A small timing program: interleaved runs, medians, ratios and peak memory.
if(EXISTS /usr/include/stb/stb_image.h)
  add_executable(bench_decode ${CMAKE_CURRENT_LIST_DIR}/bench_decode.cpp
    ${PROJECT_SOURCE_DIR}/tests/support/image_writers.cpp)
  target_include_directories(bench_decode PRIVATE ${PROJECT_SOURCE_DIR})
  target_compile_options(bench_decode PRIVATE ${KVX_WARNINGS})
  target_link_libraries(bench_decode PRIVATE kvx_textures kvx_platform)
endif()
