# The meadow demo's scene: layout, data files, tuft sway, ground, frame order.
kvx_test(test_meadow SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_meadow.cpp
         LIBS meadow_scene kvx_gltrace kvx_testgl)
target_compile_options(test_meadow PRIVATE -ffp-contract=off -fno-fast-math)
target_compile_definitions(test_meadow PRIVATE
  MEADOW_DATA_DIR="${CMAKE_BINARY_DIR}/demo"
  MEADOW_GENERATOR="$<TARGET_FILE:gen_meadow_data>")
add_dependencies(test_meadow meadow_data)
# gltrace defines gluPerspective itself and finds the real one with
# dlsym(RTLD_NEXT): keep libGLU loaded although no symbol of it is referenced.
target_link_options(test_meadow PRIVATE "LINKER:--no-as-needed")

# End to end: the meadow program's picture, the mouse view and the handling of
# a missing or damaged "grass.tga" (needs an X display; Xvfb when none).
if(TARGET meadow)
  add_test(NAME e2e_meadow_picture
           COMMAND ${PROJECT_SOURCE_DIR}/scripts/with-display
                   ${CMAKE_CURRENT_LIST_DIR}/e2e/meadow_picture.sh $<TARGET_FILE:meadow>)
  set_tests_properties(e2e_meadow_picture PROPERTIES TIMEOUT 300)
endif()
