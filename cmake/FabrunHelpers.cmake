# Adds every immediate sub-folder of the current folder that has a CMakeLists.txt,
# so that new libraries and test groups need no edit of a shared list.
function(fabrun_add_subfolders)
  file(GLOB children LIST_DIRECTORIES true RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/*)
  list(SORT children)
  foreach(child ${children})
    if(IS_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/${child} AND EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${child}/CMakeLists.txt)
      add_subdirectory(${child})
    endif()
  endforeach()
endfunction()

# fabrun_test(NAME <name> SOURCES <files...> LIBS <libs...> [BENCH] [LABELS <labels...>])
# A GoogleTest program run through CTest. BENCH tests run under umockdev-wrapper,
# which redirects /sys and /dev to the simulated bench the test builds.
function(fabrun_test)
  cmake_parse_arguments(T "BENCH" "NAME;TIMEOUT" "SOURCES;LIBS;LABELS;ENV" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
  if(T_BENCH)
    add_test(NAME ${T_NAME} COMMAND umockdev-wrapper $<TARGET_FILE:${T_NAME}>)
  else()
    add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  fabrun_test_environment(env ${T_NAME} "${T_BENCH}" ${T_ENV})
  set_tests_properties(${T_NAME} PROPERTIES TIMEOUT ${T_TIMEOUT} LABELS "${T_LABELS}" ENVIRONMENT "${env}")
endfunction()

# fabrun_test_environment(<out-var> <test name> <bench: TRUE or empty> [<VAR=value>...])
# The environment every test runs in.
function(fabrun_test_environment out name bench)
  # A test never touches the machine's registry store unless it says so, and its scratch
  # files (testing::TempDir()) are its own: test programs run side by side.
  set(scratch "${CMAKE_BINARY_DIR}/test-state/${name}/scratch")
  file(MAKE_DIRECTORY "${scratch}")
  set(env "FABRUN_REGISTRY=${CMAKE_BINARY_DIR}/test-state/${name}/registry" "TEST_TMPDIR=${scratch}" ${ARGN}
      "FABRUN_DEBUG_LOG=off")
  if(FABRUN_SANITIZE)
    list(APPEND env "ASAN_OPTIONS=verify_asan_link_order=0:detect_leaks=1" "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")
    if(bench)
      # libusb-0.1 and umockdev's preload library keep allocations until exit.
      list(APPEND env "LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/sim/core/lsan-suppressions.txt")
    endif()
  endif()
  set(${out} "${env}" PARENT_SCOPE)
endfunction()

include(${CMAKE_CURRENT_LIST_DIR}/FabrunFuzz.cmake)
