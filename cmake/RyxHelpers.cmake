# Shared compile settings and the helpers every folder uses to declare its
# libraries, unit tests and fuzz harnesses.

add_library(ryx_options INTERFACE)
target_compile_options(ryx_options INTERFACE -Wall -Wextra -Wpedantic)
if(RYX_WERROR)
  target_compile_options(ryx_options INTERFACE -Werror)
endif()
if(RYX_SANITIZE)
  target_compile_options(ryx_options INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer
                                               -fno-sanitize-recover=undefined)
  target_link_options(ryx_options INTERFACE -fsanitize=address,undefined)
endif()
if(RYX_FUZZ)
  target_compile_options(ryx_options INTERFACE -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  target_link_options(ryx_options INTERFACE -fsanitize=address,undefined)
endif()
target_include_directories(ryx_options INTERFACE ${PROJECT_SOURCE_DIR})
target_link_libraries(ryx_options INTERFACE Threads::Threads)

# ryx_add_library(name SOURCES ... [LIBS ...])
function(ryx_add_library name)
  cmake_parse_arguments(A "" "" "SOURCES;LIBS" ${ARGN})
  add_library(${name} STATIC ${A_SOURCES})
  target_link_libraries(${name} PUBLIC ryx_options ${A_LIBS})
endfunction()

# ryx_add_gtest(name SOURCES ... [LIBS ...] [LABELS ...])
# Each test case becomes its own CTest test (and its own process), so cases
# that change the environment or the working directory cannot disturb others.
function(ryx_add_gtest name)
  cmake_parse_arguments(A "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  if(RYX_FUZZ)
    return()
  endif()
  add_executable(${name} ${A_SOURCES})
  target_link_libraries(${name} PRIVATE ryx_options ${A_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  if(NOT A_LABELS)
    set(A_LABELS unit)
  endif()
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST PROPERTIES LABELS "${A_LABELS}" TIMEOUT 120)
endfunction()

# ryx_add_fuzzer(name SOURCES ... [LIBS ...])
# The harness defines LLVMFuzzerTestOneInput. With RYX_FUZZ (clang) it becomes a
# libFuzzer binary run for a short time under CTest; in every other build it is
# linked with a deterministic random-input driver, so the normal and sanitizer
# builds exercise it as a long randomised test. Either way the inputs kept in
# the folder's tests/corpus/<name>/ run first (libFuzzer adds what it finds
# to a folder of the build, never to the tree's).
function(ryx_add_fuzzer name)
  cmake_parse_arguments(A "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  target_link_libraries(${name} PRIVATE ryx_options ${A_LIBS})
  set(corpus ${CMAKE_CURRENT_SOURCE_DIR}/tests/corpus/${name})
  if(NOT IS_DIRECTORY ${corpus})
    message(FATAL_ERROR "fuzz harness ${name} has no corpus folder ${corpus}")
  endif()
  if(RYX_FUZZ)
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    set(found ${CMAKE_CURRENT_BINARY_DIR}/corpus/${name})
    file(MAKE_DIRECTORY ${found})
    add_test(NAME ${name} COMMAND ${name} -max_total_time=20 -seed=1 -rss_limit_mb=2048
             -timeout=10 ${found} ${corpus})
  else()
    target_sources(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tools/fuzz_driver.cpp)
    add_test(NAME ${name} COMMAND ${name} 20000 ${corpus})
  endif()
  # The random inputs under the sanitizers take tens of seconds alone and
  # several times that on a machine busy with the rest of the suite.
  set(limit 120)
  if(RYX_SANITIZE AND NOT RYX_FUZZ)
    set(limit 600)
  endif()
  set_tests_properties(${name} PROPERTIES LABELS fuzz TIMEOUT ${limit})
endfunction()

# ryx_plain_part(<prefix> SOURCES ... [LIBS ...])
# The part of a windowed folder that needs no Qt, built in every build (the
# fuzz build too, which has no windowed layers): the library
# ryx_<prefix>_plain of the named sources (file names in the folder), and the
# folder's fuzz harnesses, each linked with that library alone, so that they
# run under libFuzzer as well. Called before the folder's own ryx_folder,
# which then leaves these sources and harnesses out and links the plain
# library into ryx_<prefix>.
function(ryx_plain_part prefix)
  cmake_parse_arguments(A "" "" "SOURCES;LIBS" ${ARGN})
  list(TRANSFORM A_SOURCES PREPEND ${CMAKE_CURRENT_SOURCE_DIR}/)
  ryx_add_library(ryx_${prefix}_plain SOURCES ${A_SOURCES} LIBS ${A_LIBS})
  file(GLOB fuzz_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/*_fuzz.cpp)
  foreach(src IN LISTS fuzz_sources)
    get_filename_component(fname ${src} NAME_WE)
    ryx_add_fuzzer(${fname} SOURCES ${src} LIBS ryx_${prefix}_plain)
  endforeach()
  set_property(DIRECTORY PROPERTY RYX_PLAIN_SOURCES ${A_SOURCES})
endfunction()

# ryx_folder(<prefix> [LIBS ...] [TEST_LIBS ...] [TEST_LABELS ...])
# The usual shape of a folder: a library ryx_<prefix> from its *.cpp, one test
# program <prefix>_tests from tests/*_test.cpp, one fuzz harness per
# tests/*_fuzz.cpp and one benchmark per bench/*_bench.cpp. Files are found by
# pattern, so adding a source needs no edit here.
function(ryx_folder prefix)
  cmake_parse_arguments(A "" "" "LIBS;TEST_LIBS;TEST_LABELS" ${ARGN})
  file(GLOB lib_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  file(GLOB test_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/*_test.cpp)
  file(GLOB test_support CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/support/*.cpp)
  file(GLOB fuzz_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/*_fuzz.cpp)
  file(GLOB bench_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/bench/*_bench.cpp)
  if(TARGET ryx_${prefix}_plain)
    # ryx_plain_part has made these.
    get_property(plain_sources DIRECTORY PROPERTY RYX_PLAIN_SOURCES)
    list(REMOVE_ITEM lib_sources ${plain_sources})
    list(PREPEND A_LIBS ryx_${prefix}_plain)
    set(fuzz_sources "")
  endif()
  if(lib_sources)
    ryx_add_library(ryx_${prefix} SOURCES ${lib_sources} LIBS ${A_LIBS})
    set(self ryx_${prefix})
  else()
    add_library(ryx_${prefix} INTERFACE)
    target_link_libraries(ryx_${prefix} INTERFACE ryx_options ${A_LIBS})
    set(self ryx_${prefix})
  endif()
  if(test_sources)
    ryx_add_gtest(${prefix}_tests SOURCES ${test_sources} ${test_support}
                  LIBS ${self} ${A_TEST_LIBS} LABELS ${A_TEST_LABELS})
  endif()
  foreach(src IN LISTS fuzz_sources)
    get_filename_component(fname ${src} NAME_WE)
    ryx_add_fuzzer(${fname} SOURCES ${src} ${test_support} LIBS ${self} ${A_TEST_LIBS})
  endforeach()
  if(NOT RYX_FUZZ AND NOT RYX_SANITIZE)
    find_package(benchmark QUIET)
    foreach(src IN LISTS bench_sources)
      get_filename_component(bname ${src} NAME_WE)
      add_executable(${bname} ${src} ${test_support} ${PROJECT_SOURCE_DIR}/cmake/BenchBuildContext.cpp)
      target_link_libraries(${bname} PRIVATE ${self} ${A_TEST_LIBS} benchmark::benchmark)
      target_compile_definitions(${bname} PRIVATE RYX_BUILD_TYPE="$<CONFIG>")
    endforeach()
  endif()
endfunction()
