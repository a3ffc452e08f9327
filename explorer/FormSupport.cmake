# What the explorer's dialogs share: pack texts, the main window's font, centring; the settings
# store they read and write; the test support of the window tests.
find_package(Qt6 REQUIRED COMPONENTS Widgets)

add_library(kivoforms STATIC FormSupport.cpp SettingsStore.cpp)
target_link_libraries(kivoforms PUBLIC kivoutil Qt6::Widgets)

add_library(kivo_dialog_test_env OBJECT tests/dialogs/qt_environment.cpp)
target_link_libraries(kivo_dialog_test_env PUBLIC Qt6::Widgets GTest::gtest)
target_compile_definitions(kivo_dialog_test_env
  PUBLIC KIVO_DIALOG_TEST_PACKS="${CMAKE_CURRENT_SOURCE_DIR}/tests/dialogs/packs")
