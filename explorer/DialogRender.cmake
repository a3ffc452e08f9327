# Renders the dialogs to PNG files for people to look at; not a test.
find_package(Qt6 REQUIRED COMPONENTS Widgets)

add_executable(render_dialogs tests/dialogs/render_dialogs.cpp)
target_link_libraries(render_dialogs PRIVATE kivocfgunit kivolistunit kivowaveconv kivoaboutrtn)
