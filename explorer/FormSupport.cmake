# What the explorer's dialogs share: pack texts, the main window's font, centring; the settings
# store they read and write.
find_package(Qt6 REQUIRED COMPONENTS Widgets)

add_library(kivoforms STATIC FormSupport.cpp SettingsStore.cpp)
target_link_libraries(kivoforms PUBLIC kivoutil Qt6::Widgets)

# The dialogs' window tests: their own language pack, beside the platform's test main.
add_library(kivo_dialog_test_support INTERFACE)
target_compile_definitions(kivo_dialog_test_support
  INTERFACE KIVO_DIALOG_TEST_PACKS="${CMAKE_CURRENT_SOURCE_DIR}/tests/dialogs/packs")
