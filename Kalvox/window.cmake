# The window module: settings, creation and teardown, window procedure and
# input, frame loop, mouse view, status bar.
kvx_add_library(kvx_window
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/KvxWindow.cpp
          ${CMAKE_CURRENT_LIST_DIR}/KvxWindowInput.cpp
          ${CMAKE_CURRENT_LIST_DIR}/KvxWindowLoop.cpp
  DEPS kvx_platform kvx_geometry kvx_buttons kvx_runtime OpenGL::GL)
