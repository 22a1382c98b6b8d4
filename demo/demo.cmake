# The meadow demo program.  It runs from its build directory, where the data
# files it reads are placed.
add_executable(meadow ${CMAKE_CURRENT_LIST_DIR}/meadow.cpp)
target_compile_options(meadow PRIVATE ${KVX_WARNINGS})
target_link_libraries(meadow PRIVATE kvx_window)
