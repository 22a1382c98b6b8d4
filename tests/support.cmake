# Self-test of the test seams: the GL call-observing seam and the EGL context.
kvx_test(test_support SOURCES test_support.cpp LIBS kvx_gltrace kvx_testgl)
