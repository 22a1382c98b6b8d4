# libFuzzer harnesses for the BMP decoder (in memory), the BMP depth probe and
# file loader, and the TGA reader, plus a program that writes their seed
# corpora with the tests' fixture writers.  Needs clang:
#   cmake -S . -B build-fuzz -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DKVX_BUILD_FUZZERS=ON
if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  message(WARNING "The texture fuzzers need clang; skipped")
  return()
endif()

set(KVX_FUZZ_SAN -fsanitize=address,undefined -fno-sanitize-recover=undefined)
# The code under test is built with coverage for libFuzzer and the sanitizers.
foreach(lib kvx_runtime kvx_platform kvx_textures)
  if(TARGET ${lib})
    target_compile_options(${lib} PRIVATE ${KVX_FUZZ_SAN} -fsanitize=fuzzer-no-link)
  endif()
endforeach()

function(kvx_fuzzer name)
  add_executable(${name} ${ARGN})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_compile_options(${name} PRIVATE ${KVX_WARNINGS} ${KVX_FUZZ_SAN} -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE ${KVX_FUZZ_SAN} -fsanitize=fuzzer)
endfunction()

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
