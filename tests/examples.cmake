# End to end on the example programs under an X display (Xvfb when there is
# none), driven with xdotool.
add_executable(kvx_shapemask e2e/shapemask.c)
target_link_libraries(kvx_shapemask PRIVATE X11::X11 X11::Xext)

add_test(NAME e2e_buttons
         COMMAND ${PROJECT_SOURCE_DIR}/scripts/with-display sh
                 ${CMAKE_CURRENT_SOURCE_DIR}/e2e/buttons.sh $<TARGET_FILE:example_buttons>
                 $<TARGET_FILE:kvx_shapemask>)
set_tests_properties(e2e_buttons PROPERTIES TIMEOUT 120)
