# A GoogleTest executable registered with CTest. LABELS "threads" puts it in
# the ThreadSanitizer run as well.
function(tarvik_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  tarvik_warnings(${name})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main Threads::Threads)
  set(_props TIMEOUT 120)
  if(T_LABELS)
    list(APPEND _props LABELS "${T_LABELS}")
  endif()
  gtest_discover_tests(${name} PROPERTIES ${_props} DISCOVERY_TIMEOUT 60)
endfunction()
