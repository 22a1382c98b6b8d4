# Meadow frame benchmarks (small timing programs; ratios within one run):
#   bench_meadow         library cost per frame, OpenGL sent to the null sink
#   bench_meadow_frames  whole frames on a window (run under Xvfb) against the
#                        same frame's call stream replayed with direct calls
if(TARGET kvx_gltrace)
  foreach(b bench_meadow bench_meadow_frames)
    add_executable(${b} ${CMAKE_CURRENT_LIST_DIR}/${b}.cpp)
    target_compile_options(${b} PRIVATE ${KVX_WARNINGS})
    target_link_libraries(${b} PRIVATE meadow_scene kvx_gltrace PkgConfig::GLU)
    target_compile_definitions(${b} PRIVATE MEADOW_DATA_DIR="${CMAKE_BINARY_DIR}/demo")
    # gltrace finds the real GLU entry points with dlsym(RTLD_NEXT).
    target_link_options(${b} PRIVATE "LINKER:--no-as-needed")
    add_dependencies(${b} meadow_data)
  endforeach()
endif()
