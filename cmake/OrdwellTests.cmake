# ordwell_add_test(name SOURCES ... LIBS ...): one GoogleTest executable, one
# CTest entry per test case. Discovery happens when CTest runs, so on the
# Windows build nothing of Wine starts at build time (Wine must first start
# inside the test display).
include(GoogleTest)
function(ordwell_add_test name)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS;PROPERTIES" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 120
    PROPERTIES TIMEOUT ${T_TIMEOUT} ${T_PROPERTIES})
endfunction()
