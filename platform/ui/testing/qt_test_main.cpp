#include "platform/ui/application.h"
#include "platform/ui/dialogs.h"
#include "platform/win/msgbox.h"

#include <gtest/gtest.h>

#include <cstdlib>

// Window tests run on Qt's offscreen platform with the program's application object, but no
// box or dialog ever waits for a person: unscripted ones answer as nobody is there.
int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    testing::InitGoogleTest(&argc, argv);
    kivo::ui::Application app(argc, argv);
    SetMessageBoxHook(nullptr);
    kivo::ui::SetCommonDialogs(nullptr);
    return RUN_ALL_TESTS();
}
