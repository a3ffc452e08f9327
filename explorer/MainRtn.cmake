# The explorer's main window, in a library that the program and the window tests share.
find_package(Qt6 REQUIRED COMPONENTS Widgets Test)

add_library(kivomainfrm STATIC
  MainRtn.cpp MainLayout.cpp MainSkin.cpp MainStrings.cpp MainFeedback.cpp MainSettings.cpp
  MainLists.cpp MainCopy.cpp MainDialogs.cpp ProgramStart.cpp MainDownload.cpp MainErase.cpp
  MainRows.cpp)
target_link_libraries(kivomainfrm PUBLIC kivoui kivoutil lptctrl kivoresources
  kivocfgunit kivolistunit kivowaveconv kivoaboutrtn kivobrowsedr kivosc4tools)

add_executable(kivodesk main.cpp)
target_link_libraries(kivodesk PRIVATE kivomainfrm)
# The link libraries are loaded beside the program at start.
add_dependencies(kivodesk parlink buslink)

kivo_add_qt_test(mainfrm_tests
  SOURCES tests/mainfrm/fixture.cpp tests/mainfrm/test_player.cpp tests/mainfrm/startup_test.cpp
          tests/mainfrm/feedback_test.cpp tests/mainfrm/settings_test.cpp
          tests/mainfrm/lists_test.cpp tests/mainfrm/dialogs_test.cpp
  LIBS kivomainfrm kivomainfrm_testpacks kivo_dialog_test_support pxdll kivoacm sonoform_core
       kivosc4)
add_dependencies(mainfrm_tests parlink buslink sonoform)
# Every case once more, all in one process and in a new order each run: none may lean on what
# another left behind. The order's seed is printed first, to run a failing order again.
add_test(NAME mainfrm_tests.shuffled COMMAND mainfrm_tests --gtest_shuffle)
set_tests_properties(mainfrm_tests.shuffled PROPERTIES
  ENVIRONMENT "${KIVO_TEST_ENV};QT_QPA_PLATFORM=offscreen" TIMEOUT 300)

# The file commands on both ports. No driver is linked in: one in the program's own scope would
# answer buslink's calls in place of its USB driver, as both drivers bear the same names. The
# players are reached through each driver's hooks, looked up in that driver.
kivo_add_qt_test(mainfrm_player_tests
  SOURCES tests/mainfrm/fixture.cpp tests/mainfrm/test_player.cpp
          tests/mainfrm/player_fixture.cpp tests/mainfrm/upload_test.cpp
          tests/mainfrm/download_test.cpp tests/mainfrm/erase_test.cpp
          tests/mainfrm/repaint_test.cpp
  LIBS kivomainfrm kivomainfrm_testpacks ${CMAKE_DL_LIBS})
add_dependencies(mainfrm_player_tests parlink buslink)

# Test packs written at run time, shared by the window tests and the benchmark.
add_library(kivomainfrm_testpacks STATIC tests/mainfrm/test_packs.cpp)
target_link_libraries(kivomainfrm_testpacks PUBLIC Qt6::Gui)

add_test(NAME kivodesk.smoke
  COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/tests/smoke/kivodesk_smoke.sh $<TARGET_FILE:kivodesk>)
set_tests_properties(kivodesk.smoke PROPERTIES ENVIRONMENT "${KIVO_TEST_ENV}" TIMEOUT 60)

# Renders the windows and dialogs for review (scripts/render); not part of the suite.
add_executable(kivodesk_render tools/render_windows.cpp)
target_link_libraries(kivodesk_render PRIVATE kivomainfrm ${CMAKE_DL_LIBS})
add_dependencies(kivodesk_render parlink buslink)
