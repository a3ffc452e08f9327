# The folder picker over the shell's browse-for-folder dialog.
add_library(kivobrowsedr STATIC BrowseDr.cpp)
target_link_libraries(kivobrowsedr PUBLIC kivoshell kivoui)

kivo_add_qt_test(browsedr_tests SOURCES tests/browsedr/browsedr_test.cpp LIBS kivobrowsedr)
