# Paths handed to test programs: under Wine the Linux root is drive Z:.
function(tarnwell_native_path out path)
  if(CMAKE_CROSSCOMPILING AND CMAKE_HOST_UNIX)
    set(path "Z:${path}")
  endif()
  set(${out} "${path}" PARENT_SCOPE)
endfunction()

# One test executable per library, one CTest test each, so Wine starts once
# per executable. Under Wine every test uses the build folder's own prefix.
function(tarnwell_add_test_executable name)
  tarnwell_native_path(data_dir "${PROJECT_SOURCE_DIR}/tests/data")
  tarnwell_native_path(shot_dir "${CMAKE_BINARY_DIR}/screenshots")
  add_executable(${name} ${ARGN})
  target_link_libraries(${name} PRIVATE gtest gtest_main tarnwell_test_support)
  target_compile_definitions(${name} PRIVATE
    TARNWELL_TEST_DATA_DIR="${data_dir}"
    TARNWELL_SCREENSHOT_DIR="${shot_dir}")
  add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
  set_tests_properties(${name} PROPERTIES TIMEOUT 600)
  if(CMAKE_CROSSCOMPILING_EMULATOR)
    set_tests_properties(${name} PROPERTIES ENVIRONMENT
      "WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix;WINELOADER=${CMAKE_CROSSCOMPILING_EMULATOR};WINEDEBUG=-all;WINEDLLOVERRIDES=mscoree,mshtml=")
  endif()
endfunction()
