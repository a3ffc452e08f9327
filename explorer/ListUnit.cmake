# The play-order dialog.
find_package(Qt6 REQUIRED COMPONENTS Widgets)

add_library(kivolistunit STATIC ListUnit.cpp)
target_link_libraries(kivolistunit PUBLIC kivoforms lptctrl)
set_target_properties(kivolistunit PROPERTIES AUTOMOC ON)

# kivoacm keeps the codec libraries that parlink loads in memory to the end, as the program
# does: unloaded at exit, their start-up allocations would read as leaks.
kivo_add_qt_test(listunit_tests SOURCES tests/dialogs/listunit_test.cpp
  LIBS kivolistunit kivo_dialog_test_support pxdll kivoacm)
add_dependencies(listunit_tests parlink buslink)
