# The explorer's helper unit.
add_library(kivoutil STATIC UtilUnit.cpp)
target_link_libraries(kivoutil PUBLIC kivoappkit kivowin)

kivo_add_test(utilunit_tests SOURCES tests/utilunit/utilunit_test.cpp LIBS kivoutil)
