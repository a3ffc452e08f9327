// The explorer's settings in the registry, the link's port and ECP mode, and the font.
#include "explorer/LPTCtrl.h"
#include "explorer/MainRtn.h"
#include "explorer/UtilUnit.h"
#include "platform/ui/dialogs.h"
#include "platform/win/lang.h"
#include "platform/win/registry.h"

#include <charconv>
#include <cstdlib>
#include <limits>

namespace {

constexpr char kKey[] = "Software\\MERVOLDQUILL";
constexpr char kSection[] = "kivo Explorer";

std::optional<std::string> ReadValue(const char* name) {
    return kivo::win::registry::Read(RegistryRoot::CurrentUser, kKey, kSection, name);
}

void WriteValue(const char* name, const std::string& value) {
    kivo::win::registry::Write(RegistryRoot::CurrentUser, kKey, kSection, name, value);
}

std::string ReadText(const char* name, const std::string& fallback) {
    return ReadValue(name).value_or(fallback);
}

// A decimal integer within [low, high]; anything else, empty text included, gives the default.
int64_t ReadInteger(const char* name, int64_t fallback, int64_t low, int64_t high) {
    std::optional<std::string> text = ReadValue(name);
    if (!text || text->empty())
        return fallback;
    int64_t value = 0;
    const char* begin = text->data();
    const char* end = begin + text->size();
    auto [stop, ec] = std::from_chars(begin, end, value);
    if (ec != std::errc() || stop != end || value < low || value > high)
        return fallback;
    return value;
}

bool ReadTruth(const char* name, bool fallback) {
    return ReadInteger(name, fallback ? 1 : 0, std::numeric_limits<int64_t>::min(),
                       std::numeric_limits<int64_t>::max()) != 0;
}

// "C:\" of the original: the user's home folder.
std::string HomeFolder() {
    const char* home = std::getenv("HOME");
    std::string folder = home != nullptr && *home != '\0' ? home : "/";
    return folder.back() == '/' ? folder : folder + "/";
}

struct FontDefault {
    std::string name;
    int charset;
};

FontDefault DefaultFont() {
    switch (SystemPrimaryLang()) {
        case 0x11:
            return {"MS UI Gothic", 128};
        case 0x12:
            // The Gulim font's name as the system stores it in code page 949.
            return {FromCodePage(949, "\xB1\xBC\xB8\xB2"), 129};
        case 0x04:
            return {"MS Sans Serif", SystemSubLang() == 2 ? 134 : SystemSubLang() == 1 ? 136 : 0};
        default:
            return {"Arial", 0};
    }
}

}  // namespace

void TMainFrm::LoadSettings() {
    FontDefault fontDefault = DefaultFont();
    kivo::win::registry::CreateKey(RegistryRoot::CurrentUser, kKey, kSection);
    OpenFolder = ReadText("OpenFolder", HomeFolder());
    SaveFolder = ReadText("SaveFolder", HomeFolder());
    // The ECP mode first: it goes to the link under the port kind in force before this reading.
    SetECPEmulation(ReadTruth("ECPEmulation", false));
    SetPortKind(static_cast<int16_t>(ReadInteger("PORT", 0, INT16_MIN, INT16_MAX)));
    LangID = static_cast<int16_t>(ReadInteger("LangID", -1, INT16_MIN, INT16_MAX));
    SC4ToWAV = ReadTruth("SC4ToWAV", true);
    QFont chosen = font();
    chosen.setFamily(QString::fromStdString(ReadText("FontName", fontDefault.name)));
    FontCharset = static_cast<int>(ReadInteger("FontSet", fontDefault.charset, 0, 255));
    chosen.setPointSize(static_cast<int>(ReadInteger("FontSize", chosen.pointSize(), 1, 72)));
    setFont(chosen);
}

void TMainFrm::SaveFolders() {
    WriteValue("OpenFolder", OpenFolder);
    WriteValue("SaveFolder", SaveFolder);
}

void TMainFrm::SetPortKind(int16_t kind) {
    PortKind = kind;
    lptctrl::Selector().SetPortKind(kind);
    if (kind == 0 || kind == 1)
        lptctrl::Selector().PX_SetWindowHandle(handle());
}

void TMainFrm::SetECPEmulation(bool value) {
    ECPEmulation = value;
    lptctrl::Selector().PX_ECPEmulation(value ? 1 : 0);
}

void TMainFrm::Font1Click() {
    ClearStatusText();
    if (Busy)
        return;
    kivo::ui::FontChoice current{font().family().toStdString(), FontCharset, font().pointSize()};
    std::optional<kivo::ui::FontChoice> chosen = kivo::ui::Dialogs().ChooseFont(handle(), current);
    if (!chosen)
        return;
    WriteValue("FontName", chosen->name);
    WriteValue("FontSet", std::to_string(chosen->charset));
    WriteValue("FontSize", std::to_string(chosen->pointSize));
    QFont applied = font();
    applied.setFamily(QString::fromStdString(chosen->name));
    applied.setPointSize(chosen->pointSize);
    setFont(applied);
    FontCharset = chosen->charset;
}
