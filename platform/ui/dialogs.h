#pragma once

#include "platform/win/types.h"

#include <optional>
#include <string>
#include <vector>

class QString;

// The common dialogs: open, save and font, behind one interface so that tests script them the
// way they script message boxes. Texts and paths are UTF-8.
namespace kivo::ui {

// One group of a file dialog's filter: "Audio Files (*.mp3)" and "*.mp3;*.sc4;".
struct FileFilter {
    std::string description;
    std::string pattern;  // patterns separated by ";", an empty piece ignored
};

struct FileDialogRequest {
    HWND owner = nullptr;
    std::string title;     // empty: the dialog's own title
    std::string folder;    // where it opens
    std::string fileName;  // the name it proposes
    std::vector<FileFilter> filters;
    int filterIndex = 1;            // 1-based, as the programs count the groups
    std::string defaultExtension;   // ".tel": added to a typed name without an extension
    bool multiSelect = false;       // open only
    bool mustExist = false;         // open: the file has to exist
    bool confirmOverwrite = false;  // save: ask before replacing a file
};

// A font as the programs keep it: the family name, the character set number of the font's
// writing system (0 ANSI, 128 Shift-JIS, 129 Hangul, 134 GB 2312, 136 Big5) and the size.
struct FontChoice {
    std::string name;
    int charset = 0;
    int pointSize = 9;
};
// The largest size in points that the font dialog lets the user set.
inline constexpr int kLargestFontSize = 512;

class CommonDialogs {
public:
    virtual ~CommonDialogs() = default;
    // The chosen files in the dialog's order (the first is the one the dialog names first);
    // empty when the user cancels.
    virtual std::vector<std::string> OpenFiles(const FileDialogRequest& request) = 0;
    // The chosen path, with the default extension added where the name had none; nothing when
    // the user cancels.
    virtual std::optional<std::string> SaveFile(const FileDialogRequest& request) = 0;
    // Style and colour are not offered back: only name, character set and size.
    virtual std::optional<FontChoice> ChooseFont(HWND owner, const FontChoice& initial) = 0;
};

// The installed dialogs; nullptr puts back ones that answer every request with a cancel.
void SetCommonDialogs(CommonDialogs* dialogs);
CommonDialogs& Dialogs();
// The Qt dialogs, owned by the layer.
void InstallQtDialogs();

// The character set that matches a font family's writing systems, preferring the one of the
// system language when the family covers several.
int CharsetOfFamily(const QString& family);

}  // namespace kivo::ui
