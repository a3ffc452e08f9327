# The about box and splash.
find_package(Qt6 REQUIRED COMPONENTS Widgets)

add_library(kivoaboutrtn STATIC AboutRtn.cpp)
target_link_libraries(kivoaboutrtn PUBLIC kivoforms)
set_target_properties(kivoaboutrtn PROPERTIES AUTOMOC ON)

# kivoacm keeps the codec libraries that parlink loads in memory to the end, as the program
# does: unloaded at exit, their start-up allocations would read as leaks.
kivo_add_qt_test(aboutrtn_tests SOURCES tests/dialogs/about_test.cpp
  LIBS kivoaboutrtn kivo_dialog_test_support lptctrl pxdll kivoacm)
add_dependencies(aboutrtn_tests parlink buslink)
target_compile_definitions(aboutrtn_tests PRIVATE KIVO_SHIPPED_PACKS="${PROJECT_SOURCE_DIR}/packs")
