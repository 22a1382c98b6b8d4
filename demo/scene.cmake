# The meadow demo's scene (field layout, grass tuft, ground, frame callback),
# linked by the meadow program, its tests and its benchmark.
kvx_add_library(meadow_scene SOURCES ${CMAKE_CURRENT_LIST_DIR}/scene.cpp DEPS kalvox OpenGL::GL)
# The wind sway's extended-precision steps are rounded as written.
target_compile_options(meadow_scene PRIVATE -ffp-contract=off -fno-fast-math)
