# The meadow demo's data files, painted by a small generator at build time and
# placed in the demo's working directory (the demo's build directory).
# Writers shared with the example programs' painters.
add_library(kvx_data_writers STATIC ${CMAKE_CURRENT_SOURCE_DIR}/data_writers.cpp)
target_include_directories(kvx_data_writers PUBLIC ${PROJECT_SOURCE_DIR})
target_compile_options(kvx_data_writers PRIVATE ${KVX_WARNINGS})

add_executable(gen_meadow_data ${CMAKE_CURRENT_SOURCE_DIR}/gen_meadow_data.cpp)
target_compile_options(gen_meadow_data PRIVATE ${KVX_WARNINGS})
target_link_libraries(gen_meadow_data PRIVATE kvx_data_writers)

set(MEADOW_DATA_DIR ${CMAKE_BINARY_DIR}/demo)
set(MEADOW_DATA_FILES ${MEADOW_DATA_DIR}/rockgrass.bmp ${MEADOW_DATA_DIR}/grass.tga)
add_custom_command(
  OUTPUT ${MEADOW_DATA_FILES}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${MEADOW_DATA_DIR}
  COMMAND gen_meadow_data ${MEADOW_DATA_DIR}
  DEPENDS gen_meadow_data
  COMMENT "Painting rockgrass.bmp and grass.tga"
  VERBATIM)
add_custom_target(meadow_data ALL DEPENDS ${MEADOW_DATA_FILES})
