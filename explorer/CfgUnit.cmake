# The preferences dialog.
find_package(Qt6 REQUIRED COMPONENTS Widgets)

add_library(kivocfgunit STATIC CfgUnit.cpp)
target_link_libraries(kivocfgunit PUBLIC kivoforms)
set_target_properties(kivocfgunit PROPERTIES AUTOMOC ON)

kivo_add_qt_test(cfgunit_tests SOURCES tests/dialogs/cfgunit_test.cpp
  LIBS kivocfgunit kivo_dialog_test_support)
