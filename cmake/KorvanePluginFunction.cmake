# korvane_plugin(<name> SOURCES ... [LIBS ...]): a format plug-in, built as
# <name>.so (no "lib" prefix, hidden symbols but the entry points) linking the
# plug-in framework and korvanelib, and installed into
# <libdir>/korvane/plugin/.
#
# Shared by this source tree and the installed Korvane package. In the tree
# the plug-ins land in ${KORVANE_PLUGIN_OUT_DIR} beside the programs; out of
# the tree in ${KORVANE_PLUGIN_OUT_DIR} when set, else <build>/plugin/.
include_guard(GLOBAL)
include(GNUInstallDirs)

function(korvane_plugin name)
  cmake_parse_arguments(P "" "" "SOURCES;LIBS" ${ARGN})
  if(TARGET Korvane::plugin_framework)
    set(base Korvane::plugin_framework Korvane::korvanelib)
  else()
    set(base korvane_plugin_framework korvanelib)
  endif()
  if(DEFINED KORVANE_PLUGIN_OUT_DIR)
    set(out ${KORVANE_PLUGIN_OUT_DIR})
  else()
    set(out ${CMAKE_BINARY_DIR}/plugin)
  endif()
  set(plugin_dir ${CMAKE_INSTALL_LIBDIR}/korvane/plugin)
  file(RELATIVE_PATH to_libdir ${CMAKE_INSTALL_FULL_LIBDIR}/korvane/plugin ${CMAKE_INSTALL_FULL_LIBDIR})

  add_library(${name} MODULE ${P_SOURCES})
  set_target_properties(${name} PROPERTIES
    PREFIX ""
    LIBRARY_OUTPUT_DIRECTORY ${out}
    BUILD_RPATH "$ORIGIN/.."
    INSTALL_RPATH "$ORIGIN/${to_libdir}"
    CXX_VISIBILITY_PRESET hidden)
  target_link_libraries(${name} PRIVATE ${P_LIBS} ${base})
  if(COMMAND korvane_warnings)
    korvane_warnings(${name})
  else()
    target_compile_options(${name} PRIVATE -Wall -Wextra)
  endif()
  install(TARGETS ${name} LIBRARY DESTINATION ${plugin_dir})
endfunction()
