#include "explorer/tests/mainfrm/fixture.h"
#include "platform/ui/dialogs.h"
#include "platform/win/registry.h"

#include <QAction>
#include <QLabel>

#include <functional>
#include <string>

namespace {

constexpr char kKey[] = "Software\\MERVOLDQUILL";
constexpr char kSection[] = "kivo Explorer";

void Store(const char* name, const char* value) {
    kivo::win::registry::Write(RegistryRoot::CurrentUser, kKey, kSection, name, value);
}

std::optional<std::string> Stored(const char* name) {
    return kivo::win::registry::Read(RegistryRoot::CurrentUser, kKey, kSection, name);
}

}  // namespace

TEST_F(MainFrmTest, EmptyRegistryGivesTheDefaults) {
    TMainFrm& f = Create("0409");
    std::string home = this->home.path().string() + "/";
    EXPECT_EQ(f.OpenFolder, home);
    EXPECT_EQ(f.SaveFolder, home);
    EXPECT_FALSE(f.ECPEmulation);
    EXPECT_EQ(f.PortKind, 0);
    EXPECT_EQ(kivo::explorer::lptctrl::Selector().PortKind(),
              kivo::explorer::lptctrl::kParallelPort);
    EXPECT_EQ(f.LangID, -1);
    EXPECT_TRUE(f.SC4ToWAV);
    EXPECT_EQ(f.font().family(), "Arial");
    EXPECT_EQ(f.FontCharset, 0);
    EXPECT_EQ(f.font().pointSize(), 9);
    // Opening the settings creates the key; nothing else is written.
    EXPECT_TRUE(kivo::win::registry::KeyExists(RegistryRoot::CurrentUser, kKey, kSection));
    EXPECT_FALSE(Stored("OpenFolder").has_value());
}

TEST_F(MainFrmTest, DefaultFontFollowsTheSystemLanguage) {
    struct Case {
        const char* langId;
        const char* font;
        int charset;
    };
    const Case cases[] = {
        {"0409", "Arial", 0},
        {"0411", "MS UI Gothic", 128},
        {"0412", "\xea\xb5\xb4\xeb\xa6\xbc", 129},
        {"0804", "MS Sans Serif", 134},
        {"0404", "MS Sans Serif", 136},
        {"0C04", "MS Sans Serif", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.langId);
        TMainFrm& f = Create(c.langId);
        EXPECT_EQ(f.font().family().toStdString(), c.font);
        EXPECT_EQ(f.FontCharset, c.charset);
    }
}

TEST_F(MainFrmTest, StoredValuesApplyAndBadOnesReadAsDefaults) {
    struct Case {
        const char* name;
        const char* value;
        std::function<void(TMainFrm&)> check;
    };
    const std::vector<Case> cases = {
        {"OpenFolder", "", [](TMainFrm& f) { EXPECT_EQ(f.OpenFolder, ""); }},  // taken as it is
        {"SaveFolder", "/music/", [](TMainFrm& f) { EXPECT_EQ(f.SaveFolder, "/music/"); }},
        {"SC4ToWAV", "0", [](TMainFrm& f) { EXPECT_FALSE(f.SC4ToWAV); }},
        {"SC4ToWAV", "2", [](TMainFrm& f) { EXPECT_TRUE(f.SC4ToWAV); }},
        {"SC4ToWAV", "no", [](TMainFrm& f) { EXPECT_TRUE(f.SC4ToWAV); }},
        {"ECPEmulation", "1", [](TMainFrm& f) { EXPECT_TRUE(f.ECPEmulation); }},
        {"ECPEmulation", "", [](TMainFrm& f) { EXPECT_FALSE(f.ECPEmulation); }},
        {"LangID", "1", [](TMainFrm& f) { EXPECT_EQ(f.LangID, 1); }},
        {"LangID", "40000", [](TMainFrm& f) { EXPECT_EQ(f.LangID, -1); }},
        {"LangID", "0x1", [](TMainFrm& f) { EXPECT_EQ(f.LangID, -1); }},
        {"PORT", "7",
         [](TMainFrm& f) {
             EXPECT_EQ(f.PortKind, 7);
             EXPECT_EQ(kivo::explorer::lptctrl::Selector().PortKind(),
                       kivo::explorer::lptctrl::kNoLink);
         }},
        {"PORT", "70000",
         [](TMainFrm& f) {
             EXPECT_EQ(f.PortKind, 0);
             EXPECT_EQ(kivo::explorer::lptctrl::Selector().PortKind(),
                       kivo::explorer::lptctrl::kParallelPort);
         }},
        {"PORT", "-32769", [](TMainFrm& f) { EXPECT_EQ(f.PortKind, 0); }},
        {"PORT", " 1", [](TMainFrm& f) { EXPECT_EQ(f.PortKind, 0); }},
        // Read as the preferences dialog reads it, which shows "USB" for it.
        {"PORT", "+1", [](TMainFrm& f) { EXPECT_EQ(f.PortKind, 1); }},
        {"FontName", "NanumGothic",
         [](TMainFrm& f) { EXPECT_EQ(f.font().family(), "NanumGothic"); }},
        {"FontSet", "129", [](TMainFrm& f) { EXPECT_EQ(f.FontCharset, 129); }},
        {"FontSet", "300", [](TMainFrm& f) { EXPECT_EQ(f.FontCharset, 0); }},
        {"FontSet", "-1", [](TMainFrm& f) { EXPECT_EQ(f.FontCharset, 0); }},
        {"FontSize", "14", [](TMainFrm& f) { EXPECT_EQ(f.font().pointSize(), 14); }},
        {"FontSize", "abc", [](TMainFrm& f) { EXPECT_EQ(f.font().pointSize(), 9); }},
        {"FontSize", "0", [](TMainFrm& f) { EXPECT_EQ(f.font().pointSize(), 9); }},
        {"FontSize", "5000", [](TMainFrm& f) { EXPECT_EQ(f.font().pointSize(), 9); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + "=" + c.value);
        kivo::win::registry::Remove(RegistryRoot::CurrentUser, kKey, kSection, c.name);
        Store(c.name, c.value);
        c.check(Create());
        form.reset();
        kivo::win::registry::Remove(RegistryRoot::CurrentUser, kKey, kSection, c.name);
    }
}

TEST_F(MainFrmTest, UsbPortGivesTheWindowAndAPortOutsideNoLink) {
    Store("PORT", "1");
    TMainFrm& f = Create();
    EXPECT_EQ(kivo::explorer::lptctrl::Selector().PortKind(), kivo::explorer::lptctrl::kUsb);
    f.SetPortKind(7);
    EXPECT_EQ(kivo::explorer::lptctrl::Selector().PortKind(), kivo::explorer::lptctrl::kNoLink);
    EXPECT_EQ(kivo::explorer::lptctrl::Selector().PX_MemoryInfo(), -120);
    f.Connect1Click();
    ASSERT_EQ(boxes.shown().size(), 1u);  // -120: the general message
    EXPECT_EQ(boxes.shown()[0].flags, MB_OK | MB_ICONERROR);
}

TEST_F(MainFrmTest, SaveFoldersWritesBothFolders) {
    TMainFrm& f = Create();
    f.OpenFolder = "/music/in/";
    f.SaveFolder = "/music/out/";
    f.SaveFolders();
    EXPECT_EQ(Stored("OpenFolder"), "/music/in/");
    EXPECT_EQ(Stored("SaveFolder"), "/music/out/");
}

TEST_F(MainFrmTest, FontRoundTripAndCancelWritesNothing) {
    TMainFrm& f = Create();
    f.Font1Click();  // cancelled
    EXPECT_FALSE(Stored("FontName").has_value());
    EXPECT_EQ(f.font().family(), "Arial");
    ASSERT_EQ(dialogs.fontRequests().size(), 1u);
    EXPECT_EQ(dialogs.fontRequests()[0].name, "Arial");
    EXPECT_EQ(dialogs.fontRequests()[0].pointSize, 9);

    // Every size the dialog can set is in effect at once and again after the next start.
    for (int size : {12, 96, kivo::ui::kLargestFontSize}) {
        SCOPED_TRACE(size);
        form.reset();
        TMainFrm& chooser = Create();
        dialogs.AnswerFont(kivo::ui::FontChoice{"NanumGothic", 129, size});
        chooser.SetStatusText("busy", "", "");
        chooser.Font1->trigger();
        EXPECT_EQ(chooser.sbBottom[0]->text(), "");
        EXPECT_EQ(chooser.font().family(), "NanumGothic");
        EXPECT_EQ(chooser.font().pointSize(), size);
        EXPECT_EQ(chooser.FontCharset, 129);
        EXPECT_EQ(Stored("FontName"), "NanumGothic");
        EXPECT_EQ(Stored("FontSet"), "129");
        EXPECT_EQ(Stored("FontSize"), std::to_string(size));

        form.reset();
        TMainFrm& again = Create();
        EXPECT_EQ(again.font().family(), "NanumGothic");
        EXPECT_EQ(again.font().pointSize(), size);
        EXPECT_EQ(again.FontCharset, 129);
    }
}
