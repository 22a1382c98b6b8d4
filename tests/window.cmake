# The window module: creation, window procedure, frame loop, mouse view and
# status bar on the headless EGL backend (no display needed).
kvx_test(test_window SOURCES test_window.cpp LIBS kvx_window)

# End-to-end tests under an X display (Xvfb when there is none): the meadow
# program and a small input probe driven with xdotool.
add_executable(kvx_viewprobe e2e/viewprobe.cpp)
target_compile_options(kvx_viewprobe PRIVATE ${KVX_WARNINGS})
target_link_libraries(kvx_viewprobe PRIVATE kvx_window)

add_executable(kvx_wmclose e2e/wmclose.c)
target_link_libraries(kvx_wmclose PRIVATE X11::X11)

add_test(NAME e2e_meadow
         COMMAND ${PROJECT_SOURCE_DIR}/scripts/with-display sh
                 ${CMAKE_CURRENT_SOURCE_DIR}/e2e/meadow.sh $<TARGET_FILE:meadow>)
add_test(NAME e2e_viewprobe
         COMMAND ${PROJECT_SOURCE_DIR}/scripts/with-display sh
                 ${CMAKE_CURRENT_SOURCE_DIR}/e2e/viewprobe.sh $<TARGET_FILE:kvx_viewprobe>
                 $<TARGET_FILE:kvx_wmclose>)
set_tests_properties(e2e_meadow e2e_viewprobe PROPERTIES TIMEOUT 120)
