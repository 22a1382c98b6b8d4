# The X11 backend of the window-system layer: Xlib windows and events, GLX
# pixel formats and contexts, Xft text, Xcursor cursors, Shape window shapes,
# and the modal message box.
kvx_add_library(kvx_x11
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/x11_backend.cpp
    ${CMAKE_CURRENT_LIST_DIR}/x11_events.cpp
    ${CMAKE_CURRENT_LIST_DIR}/x11_keys.cpp
    ${CMAKE_CURRENT_LIST_DIR}/x11_msgbox.cpp
    ${CMAKE_CURRENT_LIST_DIR}/glx_formats.cpp
  DEPS kvx_runtime X11::X11 X11::Xext X11::Xcursor PkgConfig::XFT OpenGL::GLX OpenGL::GL)
target_link_libraries(kvx_x11 PUBLIC kvx_platform)
