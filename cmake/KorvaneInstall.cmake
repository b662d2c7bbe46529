# What `cmake --install` puts where: the programs, the two shared libraries,
# the plug-ins (korvane_plugin() installs each), the manual page, and the SDK
# (headers, the static plug-in framework and the CMake package "Korvane").
include(CMakePackageConfigHelpers)
set(KORVANE_INSTALL_HEADERDIR ${CMAKE_INSTALL_INCLUDEDIR}/korvane)
set(KORVANE_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/Korvane)

foreach(program korvane-cli korvane)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()
install(FILES man/korvane-cli.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# korvanelib finds libimageconv.so beside itself.
set_target_properties(korvanelib PROPERTIES INSTALL_RPATH "$ORIGIN")
# A plug-in built against the package compiles with the headers' language.
target_compile_features(korvanelib PUBLIC cxx_std_20)
set_target_properties(korvane_plugin_api PROPERTIES EXPORT_NAME plugin_api)
set_target_properties(korvane_plugin_framework PROPERTIES EXPORT_NAME plugin_framework)
set(KORVANE_SDK_TARGETS korvanelib korvane_plugin_api korvane_plugin_framework)
if(TARGET imageconv)
  list(APPEND KORVANE_SDK_TARGETS imageconv)
endif()
install(TARGETS ${KORVANE_SDK_TARGETS}
  EXPORT KorvaneTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})

# One flat folder, as the headers include each other by plain name.
file(GLOB KORVANE_PUBLIC_HEADERS CONFIGURE_DEPENDS
  ${PROJECT_SOURCE_DIR}/scenelib/*.h ${PROJECT_SOURCE_DIR}/plugin_framework/*.h ${PROJECT_SOURCE_DIR}/imageconv/*.h)
list(FILTER KORVANE_PUBLIC_HEADERS EXCLUDE REGEX "_internal\\.h$")
install(FILES ${KORVANE_PUBLIC_HEADERS} DESTINATION ${KORVANE_INSTALL_HEADERDIR})

install(EXPORT KorvaneTargets NAMESPACE Korvane:: DESTINATION ${KORVANE_INSTALL_CMAKEDIR})
configure_package_config_file(cmake/KorvaneConfig.cmake.in ${CMAKE_BINARY_DIR}/cmake/KorvaneConfig.cmake
  INSTALL_DESTINATION ${KORVANE_INSTALL_CMAKEDIR}
  PATH_VARS KORVANE_INSTALL_PLUGINDIR KORVANE_INSTALL_HEADERDIR)
write_basic_package_version_file(${CMAKE_BINARY_DIR}/cmake/KorvaneConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES
  ${CMAKE_BINARY_DIR}/cmake/KorvaneConfig.cmake
  ${CMAKE_BINARY_DIR}/cmake/KorvaneConfigVersion.cmake
  ${PROJECT_SOURCE_DIR}/cmake/KorvanePluginFunction.cmake
  DESTINATION ${KORVANE_INSTALL_CMAKEDIR})
