include(GoogleTest)

# Tests never touch the user's settings or player: every test sees these.
set(KIVO_TEST_ENV
  "KIVO_PLAYER=mem"
  "KIVO_LANGID=0409"
  "KIVO_REGISTRY_DIR=${PROJECT_BINARY_DIR}/test-home/registry"
  "XDG_DATA_HOME=${PROJECT_BINARY_DIR}/test-home/data"
  "XDG_CONFIG_HOME=${PROJECT_BINARY_DIR}/test-home/config")
# The same for the discovered GoogleTest cases. Their properties go through three list
# expansions on the way to the generated test file (CMake 3.25), each taking one level of
# escaping: unescaped, every case would see only the first variable.
function(kivo_discovered_env out)
  string(REPEAT "\\" 7 separator)
  string(APPEND separator ";")
  string(REPLACE ";" "${separator}" escaped "${ARGN}")
  set(${out} "${escaped}" PARENT_SCOPE)
endfunction()
kivo_discovered_env(KIVO_GTEST_ENV ${KIVO_TEST_ENV})
kivo_discovered_env(KIVO_QT_TEST_ENV ${KIVO_TEST_ENV} "QT_QPA_PLATFORM=offscreen")

# kivo_add_test(<name> SOURCES <files...> [LIBS <targets...>])
# A GoogleTest program whose cases ctest runs one by one.
function(kivo_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "${KIVO_GTEST_ENV}")
endfunction()

# kivo_add_fuzzer(<name> SOURCES <files...> [LIBS <targets...>] CORPUS <dir>)
# With KIVO_FUZZ the target is a libFuzzer program; otherwise it is built with a replay
# driver and ctest feeds it every file of the committed corpus, so a crash once found stays fixed.
function(kivo_add_fuzzer name)
  cmake_parse_arguments(ARG "" "CORPUS" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS})
  if(KIVO_FUZZ)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  else()
    target_sources(${name} PRIVATE ${PROJECT_SOURCE_DIR}/cmake/fuzz_replay.cpp)
    add_test(NAME ${name}.corpus COMMAND ${name} ${ARG_CORPUS})
    set_tests_properties(${name}.corpus PROPERTIES ENVIRONMENT "${KIVO_TEST_ENV}")
  endif()
endfunction()

# kivo_add_qt_test(<name> SOURCES <files...> [LIBS <targets...>])
# A GoogleTest program for windows: Qt's offscreen platform and the programs' application object.
function(kivo_add_qt_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} kivouitestmain)
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "${KIVO_QT_TEST_ENV}")
endfunction()
