# The helper unit, built into both programs.
add_library(kivoutil STATIC UtilUnit.cpp)
target_link_libraries(kivoutil PUBLIC kivowin kivoresources)

kivo_add_test(utilunit_tests SOURCES tests/utilunit/utilunit_test.cpp LIBS kivoutil)
target_compile_definitions(utilunit_tests
  PRIVATE KIVO_TEST_PACKS="${PROJECT_SOURCE_DIR}/platform/resources/tests/packs")
