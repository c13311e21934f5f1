# vq250_add_test(NAME SOURCES... LIBS...)
# One Qt Test executable, run headless through CTest. Qt Test's watchdog
# ends a test function still running after 30 s and names it.
function(vq250_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE Qt6::Test vq250_support ${T_LIBS})
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8;QTEST_FUNCTION_TIMEOUT=30000"
    TIMEOUT 60)
endfunction()
