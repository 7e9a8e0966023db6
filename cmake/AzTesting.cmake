# az_add_gtest(NAME SOURCES... LIBS...): one GoogleTest program, one test.
# In the Windows builds ctest runs it through the Wine runner (the
# cross-compiling emulator), exactly like a host test.
function(az_add_gtest name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest_main)
  add_test(NAME ${name} COMMAND ${name})
endfunction()
