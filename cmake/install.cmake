# Install rules: `cmake --install` puts
#   include/kalvox/...          the public headers (Kalvox/*.h, KVX_Tutorial/*.h and
#                               every project header they include), same relative paths
#   lib/libkvx_*.a              the static libraries of the library and the tutorial module
#   lib/cmake/Kalvox/           KalvoxConfig.cmake, KalvoxConfigVersion.cmake and the
#                               exported targets: Kalvox::Kalvox (the library without
#                               the tutorial module) and Kalvox::Tutorial (the tutorial
#                               module, which brings Kalvox::Kalvox)
#   lib/pkgconfig/kalvox.pc     everything, for pkg-config
# The libraries are found from the `kalvox` interface target: every static
# library it links, directly or not, is installed; test support, tools and the
# demo are not.  Included at the end of the top-level CMakeLists.txt.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(KVX_INSTALL_INCLUDEDIR include/kalvox)  # also named in kvx_add_library
set(KVX_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/Kalvox)

# The direct dependencies of target T (all link items, private ones too: a
# static library needs them at the final link), $<LINK_ONLY:x> unwrapped.
function(_kvx_direct_deps t out)
  get_target_property(type ${t} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    get_target_property(deps ${t} INTERFACE_LINK_LIBRARIES)
  else()
    get_target_property(deps ${t} LINK_LIBRARIES)
  endif()
  set(result)
  foreach(d IN LISTS deps)
    if(d MATCHES "^\\$<LINK_ONLY:(.+)>$")
      set(d ${CMAKE_MATCH_1})
    endif()
    if(d)
      list(APPEND result ${d})
    endif()
  endforeach()
  set(${out} ${result} PARENT_SCOPE)
endfunction()

# Depth-first walk from the roots: KVX_ORDER gets the project's static
# libraries in link order (each before the libraries it needs), KVX_EXTERNAL
# the other link items met.  A library on a cycle (kvx_platform and kvx_x11
# need each other) is named again after the library that closes the cycle.
function(_kvx_walk t)
  get_property(done GLOBAL PROPERTY _KVX_DONE)
  get_property(open GLOBAL PROPERTY _KVX_OPEN)
  if(t IN_LIST done)
    return()
  endif()
  if(t IN_LIST open)
    set_property(GLOBAL APPEND PROPERTY _KVX_BACK "${_kvx_from}>${t}")
    return()
  endif()
  get_target_property(type ${t} TYPE)
  set_property(GLOBAL APPEND PROPERTY _KVX_OPEN ${t})
  _kvx_direct_deps(${t} deps)
  foreach(d IN LISTS deps)
    if(TARGET ${d})
      get_target_property(imported ${d} IMPORTED)
      if(imported)
        set_property(GLOBAL APPEND PROPERTY _KVX_EXTERNAL ${d})
      else()
        set(_kvx_from ${t})
        _kvx_walk(${d})
      endif()
    else()
      set_property(GLOBAL APPEND PROPERTY _KVX_EXTERNAL ${d})
    endif()
  endforeach()
  set_property(GLOBAL APPEND PROPERTY _KVX_DONE ${t})
  if(type STREQUAL "STATIC_LIBRARY")
    set_property(GLOBAL APPEND PROPERTY _KVX_POST ${t})  # after everything it needs
  endif()
endfunction()

function(kvx_link_closure)
  set_property(GLOBAL PROPERTY _KVX_DONE)
  set_property(GLOBAL PROPERTY _KVX_OPEN)
  set_property(GLOBAL PROPERTY _KVX_BACK)
  set_property(GLOBAL PROPERTY _KVX_POST)
  set_property(GLOBAL PROPERTY _KVX_EXTERNAL)
  foreach(r ${ARGN})
    _kvx_walk(${r})
  endforeach()
  get_property(post GLOBAL PROPERTY _KVX_POST)
  get_property(back GLOBAL PROPERTY _KVX_BACK)
  get_property(external GLOBAL PROPERTY _KVX_EXTERNAL)
  list(REVERSE post)
  set(order)
  foreach(lib IN LISTS post)
    list(APPEND order ${lib})
    foreach(edge IN LISTS back)  # FROM>TO: TO again right after FROM
      if(edge MATCHES "^${lib}>(.+)$")
        list(APPEND order ${CMAKE_MATCH_1})
      endif()
    endforeach()
  endforeach()
  list(REMOVE_DUPLICATES external)
  set(KVX_ORDER ${order} PARENT_SCOPE)
  set(KVX_EXTERNAL ${external} PARENT_SCOPE)
endfunction()

# ---------------------------------------------------------------- libraries
get_target_property(_kvx_parts kalvox INTERFACE_LINK_LIBRARIES)
set(_kvx_core_parts ${_kvx_parts})
list(REMOVE_ITEM _kvx_core_parts kvx_tutorial)

# Kalvox::Kalvox and Kalvox::Tutorial (the same names in this build, as aliases).
add_library(kvx_package_core INTERFACE)
target_link_libraries(kvx_package_core INTERFACE ${_kvx_core_parts})
target_compile_features(kvx_package_core INTERFACE cxx_std_20)
set_target_properties(kvx_package_core PROPERTIES EXPORT_NAME Kalvox)
add_library(kvx_package_tutorial INTERFACE)
target_link_libraries(kvx_package_tutorial INTERFACE kvx_tutorial kvx_package_core)
set_target_properties(kvx_package_tutorial PROPERTIES EXPORT_NAME Tutorial)
add_library(Kalvox::Kalvox ALIAS kvx_package_core)
add_library(Kalvox::Tutorial ALIAS kvx_package_tutorial)

kvx_link_closure(kvx_package_tutorial)
set(KVX_INSTALLED_LIBS ${KVX_ORDER})
list(REMOVE_DUPLICATES KVX_INSTALLED_LIBS)

install(TARGETS ${KVX_INSTALLED_LIBS} kvx_package_core kvx_package_tutorial
  EXPORT KalvoxTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})

# ---------------------------------------------------------------- headers
# The public headers and, transitively, every project header they include
# with #include "dir/name.h".
file(GLOB _kvx_pending CONFIGURE_DEPENDS
  ${PROJECT_SOURCE_DIR}/Kalvox/*.h ${PROJECT_SOURCE_DIR}/KVX_Tutorial/*.h)
set(_kvx_headers)
while(_kvx_pending)
  list(POP_FRONT _kvx_pending h)
  if(h IN_LIST _kvx_headers)
    continue()
  endif()
  list(APPEND _kvx_headers ${h})
  file(STRINGS ${h} _kvx_lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
  foreach(line IN LISTS _kvx_lines)
    if(line MATCHES "\"([^\"]+)\"")
      set(inc ${PROJECT_SOURCE_DIR}/${CMAKE_MATCH_1})
      if(NOT EXISTS ${inc})
        message(FATAL_ERROR "${h} includes \"${CMAKE_MATCH_1}\", not found from the project root")
      endif()
      list(APPEND _kvx_pending ${inc})
    endif()
  endforeach()
endwhile()
list(SORT _kvx_headers)
foreach(h IN LISTS _kvx_headers)
  file(RELATIVE_PATH rel ${PROJECT_SOURCE_DIR} ${h})
  get_filename_component(dir ${rel} DIRECTORY)
  install(FILES ${h} DESTINATION ${KVX_INSTALL_INCLUDEDIR}/${dir})
endforeach()

# ---------------------------------------------------------------- CMake package
install(EXPORT KalvoxTargets NAMESPACE Kalvox:: DESTINATION ${KVX_INSTALL_CMAKEDIR})
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/KalvoxConfig.cmake.in
  ${PROJECT_BINARY_DIR}/package/KalvoxConfig.cmake
  INSTALL_DESTINATION ${KVX_INSTALL_CMAKEDIR})
# The project declares no version; the package's is the library's KVXVERSION.
file(STRINGS ${PROJECT_SOURCE_DIR}/Kalvox/KvxWindow.cpp _kvx_version_line
  REGEX "KVXVERSION = \"[0-9.]+\"")
if(NOT _kvx_version_line MATCHES "\"([0-9.]+)\"")
  message(FATAL_ERROR "KVXVERSION not found in Kalvox/KvxWindow.cpp")
endif()
set(KVX_PACKAGE_VERSION ${CMAKE_MATCH_1})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/package/KalvoxConfigVersion.cmake
  VERSION ${KVX_PACKAGE_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/package/KalvoxConfig.cmake
              ${PROJECT_BINARY_DIR}/package/KalvoxConfigVersion.cmake
  DESTINATION ${KVX_INSTALL_CMAKEDIR})

# ---------------------------------------------------------------- pkg-config
# Libs: the static libraries in link order; Requires: the pkg-config modules
# of the imported targets they link.  The libraries are static, so their
# dependencies go in Requires (not Requires.private) and a plain
# `pkg-config --cflags --libs kalvox` links.
set(_kvx_pc_modules
  OpenGL::GL gl  OpenGL::OpenGL opengl  OpenGL::GLX glx  OpenGL::EGL egl
  X11::X11 x11  X11::Xext xext  X11::Xcursor xcursor  PkgConfig::XFT xft  PkgConfig::GLU glu)
set(_kvx_requires)
set(_kvx_extra_libs)
foreach(item IN LISTS KVX_EXTERNAL)
  list(FIND _kvx_pc_modules ${item} i)
  if(i GREATER_EQUAL 0)
    math(EXPR i "${i} + 1")
    list(GET _kvx_pc_modules ${i} module)
    list(APPEND _kvx_requires ${module})
  elseif(item MATCHES "^-l" OR item MATCHES "^-pthread$")
    list(APPEND _kvx_extra_libs ${item})
  elseif(item MATCHES "^[A-Za-z0-9_+.-]+$" AND NOT TARGET ${item} AND NOT item MATCHES "::")
    list(APPEND _kvx_extra_libs -l${item})
  else()
    message(FATAL_ERROR "kalvox.pc: no pkg-config module known for the link item '${item}'; "
                        "add it to _kvx_pc_modules in ${CMAKE_CURRENT_LIST_FILE}")
  endif()
endforeach()
list(REMOVE_DUPLICATES _kvx_requires)
list(REMOVE_DUPLICATES _kvx_extra_libs)
# pkg-config drops a repeated flag, so a library named again (a cycle) is
# given by its file name the second time: -l:libNAME.a.
set(KVX_PC_LIBS)
set(_kvx_named)
foreach(lib IN LISTS KVX_ORDER)
  get_target_property(name ${lib} OUTPUT_NAME)
  if(NOT name)
    set(name ${lib})
  endif()
  if(lib IN_LIST _kvx_named)
    string(APPEND KVX_PC_LIBS " -l:${CMAKE_STATIC_LIBRARY_PREFIX}${name}${CMAKE_STATIC_LIBRARY_SUFFIX}")
  else()
    string(APPEND KVX_PC_LIBS " -l${name}")
    list(APPEND _kvx_named ${lib})
  endif()
endforeach()
foreach(item IN LISTS _kvx_extra_libs)
  string(APPEND KVX_PC_LIBS " ${item}")
endforeach()
string(REPLACE ";" " " KVX_PC_REQUIRES "${_kvx_requires}")
set(KVX_PC_INCLUDEDIR ${KVX_INSTALL_INCLUDEDIR})
set(KVX_PC_LIBDIR ${CMAKE_INSTALL_LIBDIR})
set(KVX_PC_PREFIX "@_kvx_prefix@")  # filled in at install time, below
configure_file(${CMAKE_CURRENT_LIST_DIR}/kalvox.pc.in ${PROJECT_BINARY_DIR}/package/kalvox.pc.in @ONLY)
# The prefix is the one given at install time (cmake --install --prefix).
install(CODE "
  set(_kvx_prefix \"\${CMAKE_INSTALL_PREFIX}\")
  configure_file(\"${PROJECT_BINARY_DIR}/package/kalvox.pc.in\"
                 \"${PROJECT_BINARY_DIR}/package/kalvox.pc\" @ONLY)
  file(INSTALL \"${PROJECT_BINARY_DIR}/package/kalvox.pc\"
       DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR}/pkgconfig\")")
