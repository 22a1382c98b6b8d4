# The meadow demo program.  It runs from its build directory, where the data
# files it reads are placed.
add_executable(meadow ${CMAKE_CURRENT_LIST_DIR}/meadow.cpp)
# meadow_scene (demo/scene.cmake) brings the whole library.
target_compile_options(meadow PRIVATE ${KVX_WARNINGS})
target_link_libraries(meadow PRIVATE meadow_scene kvx_window)
# Building the program also paints its data files into its directory.
if(TARGET meadow_data)
  add_dependencies(meadow meadow_data)
endif()
