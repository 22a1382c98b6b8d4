# The X11 backend on a real X server (Xvfb when there is no display).
kvx_test(test_x11 SOURCES test_x11.cpp LIBS kvx_x11 kvx_platform kvx_testx DISPLAY)
