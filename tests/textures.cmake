# Textures: the BMP decoder and bitmap objects, the TGA reader, and BMP and TGA
# texture slots in a headless OpenGL context.
add_library(kvx_image_writers STATIC support/image_writers.cpp)
target_include_directories(kvx_image_writers PUBLIC ${PROJECT_SOURCE_DIR})
target_compile_options(kvx_image_writers PRIVATE ${KVX_WARNINGS})

kvx_test(test_bmp_decode SOURCES test_bmp_decode.cpp LIBS kvx_platform kvx_image_writers)
kvx_test(test_tga SOURCES test_tga.cpp LIBS kvx_textures kvx_platform kvx_image_writers)
kvx_test(test_textures SOURCES test_textures.cpp
  LIBS kvx_textures kvx_platform kvx_image_writers kvx_gltrace kvx_testgl)
