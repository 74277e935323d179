# Shared settings for every target of the project.

add_library(veldrun_options INTERFACE)
target_compile_options(veldrun_options INTERFACE -Wall -Wextra -Wpedantic -Wshadow -Wno-missing-field-initializers)
target_include_directories(veldrun_options INTERFACE ${PROJECT_SOURCE_DIR})
if(VELDRUN_SANITIZE)
  target_compile_options(veldrun_options INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(veldrun_options INTERFACE -fsanitize=address,undefined)
endif()
if(VELDRUN_FUZZ)
  # Libraries are instrumented for coverage; only the fuzz targets link libFuzzer's main.
  target_compile_options(veldrun_options INTERFACE -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(veldrun_options INTERFACE -fsanitize=address,undefined)
endif()

# veldrun_library(name SOURCES ... DEPS ...): one static library per subsystem folder.
function(veldrun_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_link_libraries(${name} PUBLIC veldrun_options ${ARG_DEPS})
endfunction()

# veldrun_test(name LABEL unit|gl SOURCES ... DEPS ...): one GoogleTest executable, run by CTest.
# OpenGL tests run on SDL's offscreen driver, so they need no display.
function(veldrun_test name)
  cmake_parse_arguments(ARG "" "LABEL" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE veldrun_options ${ARG_DEPS} GTest::gtest GTest::gtest_main)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  add_test(NAME ${name} COMMAND ${name} WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR})
  set(env "VELDRUN_SOURCE_DIR=${PROJECT_SOURCE_DIR}" "VELDRUN_BINARY_DIR=${CMAKE_BINARY_DIR}")
  if(ARG_LABEL STREQUAL "gl")
    # Mesa's driver is unloaded at exit, so what it keeps for the process
    # cannot be told from a leak of ours; leak checks stay on for unit tests.
    list(APPEND env "SDL_VIDEODRIVER=offscreen" "LIBGL_ALWAYS_SOFTWARE=1" "ASAN_OPTIONS=detect_leaks=0:abort_on_error=1")
  endif()
  set_tests_properties(${name} PROPERTIES LABELS ${ARG_LABEL} TIMEOUT 300 ENVIRONMENT "${env}")
endfunction()
