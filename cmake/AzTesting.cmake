# az_add_gtest(NAME SOURCES... LIBS...): one GoogleTest program, one test.
# In the Windows builds ctest runs it through the Wine runner (the
# cross-compiling emulator), exactly like a host test.
function(az_add_gtest name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest_main)
  add_test(NAME ${name} COMMAND ${name})
  az_skippable(${name})
endfunction()

# az_skippable(TEST...): the Wine runners exit 77 when this machine cannot
# run the build's programs (32-bit code on a 64-bit-only kernel); ctest then
# reports the test as skipped instead of failed or passed.
function(az_skippable)
  if(CMAKE_CROSSCOMPILING)
    set_tests_properties(${ARGN} PROPERTIES SKIP_RETURN_CODE 77)
  endif()
endfunction()

# The bitness of the Windows build: 32 (i686, the shipping build) or 64.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(AZ_BITS 32)
else()
  set(AZ_BITS 64)
endif()
