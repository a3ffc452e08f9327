#pragma once

namespace kivo::shell {

// The shell's own texts, in the system's language.
enum class Text {
    Caption,
    FolderLabel,
    Ok,
    Cancel,
    MakeNewFolder,
    NewFolder,
    CannotCreateFolder,
    CannotRenameFolder,
    Desktop,
    Home,
    FileSystemRoot,
    ThisComputer,
    Network,
    RecycleBin,
    ControlPanel,
    Printers,
    Internet,
    Favorites,
    Recent,
    SendTo,
    NetworkShortcuts,
    PrinterShortcuts,
    SharedDesktop,
};

// UTF-8, Korean when the system's language is Korean, else English.
const char* TextOf(Text text);

}  // namespace kivo::shell
