# Textures: BMP and TGA files into OpenGL textures in numbered slots, and the
# TGA reader.
kvx_add_library(kvx_textures SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/KvxTextures.cpp
  ${CMAKE_CURRENT_LIST_DIR}/KvxTga.cpp
  DEPS kvx_platform kvx_runtime OpenGL::GL PkgConfig::GLU)
