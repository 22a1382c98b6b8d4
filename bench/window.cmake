# Start-up time and frame rate of the window module's frame loop (a timing
# program; run it under a display: scripts/with-display build/bench/bench_frameloop).
add_executable(bench_frameloop ${CMAKE_CURRENT_LIST_DIR}/bench_frameloop.cpp)
target_compile_options(bench_frameloop PRIVATE ${KVX_WARNINGS})
target_link_libraries(bench_frameloop PRIVATE kvx_window)
