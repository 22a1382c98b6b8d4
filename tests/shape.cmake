# Window shapes (SetWindowRgn, bitmap-shaped regions) and BitBlt to windows
# through the whole layer on a private X server, read back from the server.
kvx_test(test_x11_shape SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_x11_shape.cpp
  LIBS kvx_buttons kvx_platform kvx_x11 kvx_image_writers kvx_testx X11::X11 X11::Xext DISPLAY)
