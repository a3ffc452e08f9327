// The explorer's settings in the registry, the link's port and ECP mode, and the font.
#include "appkit/language.h"
#include "explorer/LPTCtrl.h"
#include "explorer/MainRtn.h"
#include "explorer/SettingsStore.h"
#include "platform/ui/dialogs.h"
#include "platform/win/home.h"
#include "platform/win/lang.h"
#include "platform/win/registry.h"

#include <cstdint>

namespace {

// "C:\" of the original: the user's home folder.
std::string HomeFolder() {
    std::string folder = kivo::win::HomeFolder().string();
    return folder.back() == '/' ? folder : folder + "/";
}

struct FontDefault {
    std::string name;
    int charset;
};

FontDefault DefaultFont() {
    switch (SystemPrimaryLang()) {
        case kLangJapanese:
            return {"MS UI Gothic", 128};
        case kLangKorean:
            // The Gulim font's name as the system stores it in code page 949.
            return {FromCodePage(949, "\xB1\xBC\xB8\xB2"), 129};
        case kLangChinese:
            return {"MS Sans Serif", SystemSubLang() == 2 ? 134 : SystemSubLang() == 1 ? 136 : 0};
        default:
            return {"Arial", 0};
    }
}

}  // namespace

void TMainFrm::LoadSettings() {
    FontDefault fontDefault = DefaultFont();
    kivo::win::registry::CreateKey(RegistryRoot::CurrentUser, kivo::explorer::settings::kKey,
                                   kivo::explorer::settings::kSection);
    OpenFolder = kivo::explorer::settings::ReadText("OpenFolder", HomeFolder());
    SaveFolder = kivo::explorer::settings::ReadText("SaveFolder", HomeFolder());
    // The ECP mode first: it goes to the link under the port kind in force before this reading.
    SetECPEmulation(kivo::explorer::settings::ReadTruth("ECPEmulation", false));
    SetPortKind(static_cast<int16_t>(
        kivo::explorer::settings::ReadNumber("PORT", 0, INT16_MIN, INT16_MAX)));
    LangID = static_cast<int16_t>(
        kivo::explorer::settings::ReadNumber("LangID", -1, INT16_MIN, INT16_MAX));
    SC4ToWAV = kivo::explorer::settings::ReadTruth("SC4ToWAV", true);
    QFont chosen = font();
    chosen.setFamily(
        QString::fromStdString(kivo::explorer::settings::ReadText("FontName", fontDefault.name)));
    FontCharset = static_cast<int>(
        kivo::explorer::settings::ReadNumber("FontSet", fontDefault.charset, 0, 255));
    chosen.setPointSize(static_cast<int>(kivo::explorer::settings::ReadNumber(
        "FontSize", chosen.pointSize(), 1, kivo::ui::kLargestFontSize)));
    setFont(chosen);
}

void TMainFrm::SaveFolders() {
    kivo::explorer::settings::Changes()
        .Text("OpenFolder", OpenFolder)
        .Text("SaveFolder", SaveFolder)
        .Write();
}

void TMainFrm::SetPortKind(int16_t kind) {
    PortKind = kind;
    kivo::explorer::lptctrl::Selector().SetPortKind(kind);
    if (kind == 0 || kind == 1)
        kivo::explorer::lptctrl::Selector().PX_SetWindowHandle(handle());
}

void TMainFrm::SetECPEmulation(bool value) {
    ECPEmulation = value;
    kivo::explorer::lptctrl::Selector().PX_ECPEmulation(value ? 1 : 0);
}

void TMainFrm::Font1Click() {
    ClearStatusText();
    if (Busy)
        return;
    kivo::ui::FontChoice current{font().family().toStdString(), FontCharset, font().pointSize()};
    std::optional<kivo::ui::FontChoice> chosen = kivo::ui::Dialogs().ChooseFont(handle(), current);
    if (!chosen)
        return;
    kivo::explorer::settings::Changes()
        .Text("FontName", chosen->name)
        .Number("FontSet", chosen->charset)
        .Number("FontSize", chosen->pointSize)
        .Write();
    QFont applied = font();
    applied.setFamily(QString::fromStdString(chosen->name));
    applied.setPointSize(chosen->pointSize);
    setFont(applied);
    FontCharset = chosen->charset;
}
