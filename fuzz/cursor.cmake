# libFuzzer harness for the cursor and icon file reader.
kvx_fuzzer(fuzz_cursor ${CMAKE_CURRENT_LIST_DIR}/fuzz_cursor.cpp)
target_link_libraries(fuzz_cursor PRIVATE kvx_platform)
