# Fuzz targets: one per parser of outside input (see CONTRIBUTING.md, "Fuzz targets").
#
# Every target is a source file defining LLVMFuzzerTestOneInput. The default build links it
# with a replay main that feeds every file of the target's corpus to it, registered with
# CTest, so the corpora (seeds and reproducers of past findings) are replayed by every test
# run in seconds. With FABRUN_FUZZ=ON (clang only) the same source is linked with libFuzzer
# and the whole tree is built with coverage, AddressSanitizer and UndefinedBehaviorSanitizer,
# for campaigns (scripts/fuzz-campaign.sh).
option(FABRUN_FUZZ "Build the fuzz targets with clang's libFuzzer (clang only)" OFF)

if(FABRUN_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "FABRUN_FUZZ needs clang: configure with CC=clang CXX=clang++ (scripts/fuzz-build.sh does)")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
                      -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
  add_custom_target(fuzz)
endif()

# The list of targets and their corpora that scripts/fuzz-campaign.sh reads: one line per
# target, "<name> <executable> <corpus folder>".
set(FABRUN_FUZZ_MANIFEST ${CMAKE_BINARY_DIR}/fuzz-targets.txt)
file(WRITE ${FABRUN_FUZZ_MANIFEST} "")

# fabrun_fuzz_target(NAME <name> SOURCES <files...> [LIBS <libs...>] CORPUS <folder>)
# <name> is the executable and the CTest test; CORPUS (relative to the current source folder)
# holds the seed inputs and the reproducers, one file each.
function(fabrun_fuzz_target)
  cmake_parse_arguments(F "" "NAME;CORPUS" "SOURCES;LIBS" ${ARGN})
  if(NOT F_NAME OR NOT F_SOURCES OR NOT F_CORPUS)
    message(FATAL_ERROR "fabrun_fuzz_target needs NAME, SOURCES and CORPUS")
  endif()
  get_filename_component(corpus ${F_CORPUS} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
  if(NOT IS_DIRECTORY ${corpus})
    message(FATAL_ERROR "fabrun_fuzz_target(${F_NAME}): no corpus folder ${corpus}")
  endif()
  add_executable(${F_NAME} ${F_SOURCES})
  target_link_libraries(${F_NAME} PRIVATE fabrun_fuzz_support ${F_LIBS})
  if(FABRUN_FUZZ)
    target_link_options(${F_NAME} PRIVATE -fsanitize=fuzzer)
    add_dependencies(fuzz ${F_NAME})
    # libFuzzer replays the files it is given and stops.
    add_test(NAME ${F_NAME} COMMAND ${F_NAME} -runs=0 ${corpus})
  else()
    target_link_libraries(${F_NAME} PRIVATE fabrun_fuzz_replay_main)
    add_test(NAME ${F_NAME} COMMAND ${F_NAME} ${corpus})
  endif()
  fabrun_test_environment(env ${F_NAME} "")
  set_tests_properties(${F_NAME} PROPERTIES TIMEOUT 300 LABELS fuzz ENVIRONMENT "${env}")
  file(APPEND ${FABRUN_FUZZ_MANIFEST} "${F_NAME} ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/${F_NAME} ${corpus}\n")
endfunction()
