# Wrapping SC4 recordings as wave files, for the copy to the PC.
add_library(kivosc4tools STATIC SC4Tools.cpp)
target_link_libraries(kivosc4tools PUBLIC kivoutil)

kivo_add_test(sc4tools_tests SOURCES tests/sc4tools/sc4tools_test.cpp
  LIBS kivosc4tools kivo_testing)

kivo_add_fuzzer(fuzz_sc4tools
  SOURCES fuzz/fuzz_sc4tools.cpp
  LIBS kivosc4tools
  CORPUS ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/corpus/fuzz_sc4tools)
