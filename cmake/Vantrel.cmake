# True when PATH (relative to the root) is to be built: VANTREL_ONLY is empty, or one of its
# entries is PATH, a folder above it, or a folder below it.
function(vantrel_wanted path out)
  if(NOT VANTREL_ONLY)
    set(${out} TRUE PARENT_SCOPE)
    return()
  endif()
  foreach(entry ${VANTREL_ONLY})
    string(FIND "${path}/" "${entry}/" above)
    string(FIND "${entry}/" "${path}/" below)
    if(above EQUAL 0 OR below EQUAL 0)
      set(${out} TRUE PARENT_SCOPE)
      return()
    endif()
  endforeach()
  set(${out} FALSE PARENT_SCOPE)
endfunction()

# Adds the folder PATH (relative to the root) when it holds a CMakeLists.txt and is wanted.
function(vantrel_add_folder path)
  vantrel_wanted(${path} wanted)
  if(wanted AND EXISTS ${PROJECT_SOURCE_DIR}/${path}/CMakeLists.txt)
    add_subdirectory(${PROJECT_SOURCE_DIR}/${path} ${PROJECT_BINARY_DIR}/${path})
  endif()
endfunction()

# Adds every immediate sub-folder of DIR that holds a CMakeLists.txt.
function(vantrel_add_children dir)
  file(GLOB children LIST_DIRECTORIES true RELATIVE ${PROJECT_SOURCE_DIR}/${dir} ${PROJECT_SOURCE_DIR}/${dir}/*)
  list(SORT children)
  foreach(child ${children})
    vantrel_add_folder(${dir}/${child})
  endforeach()
endfunction()
# vantrel_add_test(NAME SOURCES a.cpp ... LIBS lib ... [LABELS threaded files ...]
#                  [PROPERTIES name value ...])
# One GoogleTest program; its main (tests/support/test_main.cpp) makes it run headless with the
# emulated camera and temporary settings and data folders unless the caller's environment says
# otherwise. Label "threaded" runs it under the thread sanitizer in CI; "files" marks the readers
# of files. CI runs every test program under the address and leak sanitizers. PROPERTIES are
# further test properties of each case.
function(vantrel_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;LABELS;PROPERTIES" ${ARGN})
  add_executable(${name} ${T_SOURCES} ${PROJECT_SOURCE_DIR}/tests/support/test_main.cpp
    ${PROJECT_SOURCE_DIR}/tests/support/test_environment.cpp)
  target_compile_definitions(${name} PRIVATE VANTREL_TEST_TMP="${PROJECT_BINARY_DIR}/test-tmp")
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock Threads::Threads)
  file(MAKE_DIRECTORY ${PROJECT_BINARY_DIR}/test-tmp)
  set(properties TIMEOUT 300)
  if(T_LABELS)
    list(APPEND properties LABELS "${T_LABELS}")
  endif()
  list(APPEND properties ${T_PROPERTIES})
  # Cases keep the names their generators give (or their index): printed parameter bytes would
  # name a case differently from one build, or one run, to the next.
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 NO_PRETTY_VALUES PROPERTIES ${properties})
endfunction()

# vantrel_add_bench(NAME SOURCES ... LIBS ...)
function(vantrel_add_bench name)
  cmake_parse_arguments(B "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${B_SOURCES} ${PROJECT_SOURCE_DIR}/tests/support/test_environment.cpp)
  target_compile_definitions(${name} PRIVATE VANTREL_TEST_TMP="${PROJECT_BINARY_DIR}/test-tmp")
  target_link_libraries(${name} PRIVATE ${B_LIBS} benchmark::benchmark benchmark::benchmark_main Threads::Threads)
endfunction()

# vantrel_add_fuzzer(NAME SOURCES ... LIBS ...): a libFuzzer target, built only with VANTREL_FUZZ.
function(vantrel_add_fuzzer name)
  cmake_parse_arguments(F "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${F_SOURCES} ${PROJECT_SOURCE_DIR}/tests/support/test_environment.cpp)
  target_compile_definitions(${name} PRIVATE VANTREL_TEST_TMP="${PROJECT_BINARY_DIR}/test-tmp")
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_libraries(${name} PRIVATE ${F_LIBS})
endfunction()
