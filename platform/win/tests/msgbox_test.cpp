#include "platform/win/msgbox.h"
#include "platform/win/application.h"
#include "platform/win/testing/scripted_msgbox.h"

#include <gtest/gtest.h>

TEST(MessageBox, ScriptedBoxesRecordAndAnswerInTurn) {
    ScriptedMessageBoxes boxes;
    boxes.Answer(IDYES);
    EXPECT_EQ(MessageBoxA(nullptr, "Delete?", "kivo Explorer - Q Series", 36), IDYES);
    EXPECT_EQ(MessageBoxA(nullptr, "Delete again?", "t", MB_YESNO | MB_ICONQUESTION), IDNO);
    EXPECT_EQ(MessageBoxA(nullptr, nullptr, nullptr, MB_ICONERROR), IDOK);
    ASSERT_EQ(boxes.shown().size(), 3u);
    EXPECT_EQ(boxes.shown()[0].text, "Delete?");
    EXPECT_EQ(boxes.shown()[0].caption, "kivo Explorer - Q Series");
    EXPECT_EQ(boxes.shown()[0].flags, 36u);
    EXPECT_EQ(boxes.shown()[2].text, "");
}

TEST(MessageBox, ScopedHooksNestAndPutTheEarlierOneBack) {
    int outerCalls = 0;
    ScopedMessageBoxHook outer([&](const MessageBoxRequest&) {
        ++outerCalls;
        return IDOK;
    });
    {
        ScriptedMessageBoxes inner;
        MessageBoxA(nullptr, "inner", "", MB_OK);
        EXPECT_EQ(inner.shown().size(), 1u);
    }
    MessageBoxA(nullptr, "outer", "", MB_OK);
    EXPECT_EQ(outerCalls, 1);
}

TEST(MessageBox, WithoutAHookQuestionsAreAnsweredNo) {
    ScopedMessageBoxHook none(nullptr);
    EXPECT_EQ(MessageBoxA(nullptr, "Format?", "t", 36), IDNO);
    EXPECT_EQ(MessageBoxA(nullptr, "Done", "t", 64), IDOK);
}

TEST(Application, TitleAndWindowAreSetByTheProgram) {
    SetApplicationTitle("Telephone Book");
    SetApplicationWindow(reinterpret_cast<HWND>(0x40));
    EXPECT_EQ(ApplicationTitle(), "Telephone Book");
    EXPECT_EQ(ApplicationWindow(), reinterpret_cast<HWND>(0x40));
    SetApplicationWindow(nullptr);
}
