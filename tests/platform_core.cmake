# The window-system layer's portable core, on the null backend (and the EGL
# backend for the GL test, skipped when EGL cannot start).
kvx_test(test_platform_core
  SOURCES test_platform_core.cpp test_platform_cursor.cpp
  LIBS kvx_platform)
