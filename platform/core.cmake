# The portable core of the window-system layer, the null and EGL backends,
# the status control and the cursor file reader.
target_sources(kvx_platform PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/backend_select.cpp
  ${CMAKE_CURRENT_LIST_DIR}/core_input.cpp
  ${CMAKE_CURRENT_LIST_DIR}/core_queue.cpp
  ${CMAKE_CURRENT_LIST_DIR}/core_resources.cpp
  ${CMAKE_CURRENT_LIST_DIR}/core_wgl.cpp
  ${CMAKE_CURRENT_LIST_DIR}/core_window.cpp
  ${CMAKE_CURRENT_LIST_DIR}/cursor_file.cpp
  ${CMAKE_CURRENT_LIST_DIR}/egl_backend.cpp
  ${CMAKE_CURRENT_LIST_DIR}/null_backend.cpp
  ${CMAKE_CURRENT_LIST_DIR}/status_control.cpp
)
target_link_libraries(kvx_platform PUBLIC OpenGL::EGL OpenGL::GL)
