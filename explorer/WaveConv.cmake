# The voice conversion dialog.
find_package(Qt6 REQUIRED COMPONENTS Widgets)

add_library(kivowaveconv STATIC WaveConv.cpp)
target_link_libraries(kivowaveconv PUBLIC kivoforms lptctrl kivoui)
set_target_properties(kivowaveconv PROPERTIES AUTOMOC ON)

kivo_add_qt_test(waveconv_tests SOURCES tests/dialogs/waveconv_test.cpp
  LIBS kivowaveconv kivo_dialog_test_support sonoform_core kivosc4)
add_dependencies(waveconv_tests parlink buslink sonoform)
target_compile_definitions(waveconv_tests PRIVATE KIVO_SHIPPED_PACKS="${PROJECT_SOURCE_DIR}/packs")
