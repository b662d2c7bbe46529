# korvane_plugin(): one definition for this tree and the installed package.
include(${CMAKE_CURRENT_LIST_DIR}/KorvanePluginFunction.cmake)

# korvane_test(<name> SOURCES ... LIBS ...): one GoogleTest executable, its
# cases registered with CTest one by one.
function(korvane_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${T_LIBS} korvane_testsupport GTest::gtest)
  korvane_warnings(${name})
  gtest_discover_tests(${name}
    WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}
    DISCOVERY_TIMEOUT 60)
endfunction()

# korvane_fuzz(<name> SOURCE <file> PLUGIN <target> INSTRUMENT <targets...>):
# a libFuzzer driver (clang only, KORVANE_FUZZ=ON). The plug-in's own code
# and the scene library carry the coverage instrumentation, so that the
# fuzzer steers through both; the driver loads the plug-in through the host
# like the tests do.
function(korvane_fuzz name)
  cmake_parse_arguments(F "" "SOURCE;PLUGIN" "INSTRUMENT" ${ARGN})
  if(NOT KORVANE_FUZZ OR NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    return()
  endif()
  foreach(t ${F_PLUGIN} ${F_INSTRUMENT} korvanelib)
    get_target_property(opts ${t} COMPILE_OPTIONS)
    if(NOT opts OR NOT "-fsanitize=fuzzer-no-link" IN_LIST opts)
      target_compile_options(${t} PRIVATE -fsanitize=fuzzer-no-link)
    endif()
  endforeach()
  add_executable(${name} ${F_SOURCE})
  target_link_libraries(${name} PRIVATE korvane_host korvanelib)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/testsupport)
  target_compile_definitions(${name} PRIVATE KORVANE_FUZZ_PLUGIN_DIR="${KORVANE_PLUGIN_OUT_DIR}")
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  korvane_warnings(${name})
  add_dependencies(${name} ${F_PLUGIN})
endfunction()
