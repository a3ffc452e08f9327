#pragma once

#include "platform/win/types.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Small stateless helpers of the explorer, four of which the telephone book uses as well.

// The size of a regular file; 0 for an empty path and for anything that is no file that can be
// opened for reading. The whole 64-bit size, so that a file of 4 GiB or more is seen as large.
int64_t FileSizeOf(const std::string& path);
int64_t TotalFileSize(const std::vector<std::string>& paths);

// A message box owned by the application window and captioned with the application title
// (platform/win/application.h); the button pressed.
int ShowAppMessage(const std::string& text, UINT flags);

// A decimal integer with an optional sign, the whole text and nothing else; nothing for an
// empty text, any other character or a number beyond 64 bits.
std::optional<int64_t> ParseDecimal(const std::string& text);

// An item of a list view, as the list's sort hands it over.
struct ListItemRef {
    HWND listView;
    int row;
};
// Columns 1, 3 and 4 (size, file index and play-order position of a file row) compare as
// signed numbers, every other column as text (lstrcmpA). Ascending; a text that is no decimal
// number counts as 0.
int CompareListItems(const ListItemRef& first, const ListItemRef& second, int column);

// The text of a cell read through the list view's window, at most 1023 bytes; a missing cell
// reads as empty.
std::string GetListViewCellText(HWND listView, int row, int column);

// "1234567" -> "1,234,567"; texts of fewer than four characters stay as they are.
std::string GroupThousands(const std::string& digits);
// Whole kilobytes rounded up, grouped, then " KB": 1025 -> "2 KB".
std::string FormatSizeKB(int64_t bytes);

// A string of a resource library (platform/resources), at most 1023 bytes; empty for a missing
// string or a module handle of 0.
std::string LoadModuleString(HMODULE module, UINT id);

// Fills a format text of the language packs: "%1" to "%9" become the values in that order (a
// number without a value becomes nothing), "%%" becomes "%", every other character stays. The
// values are inserted as they are and never read as formats themselves, so a translator's text
// or a file name with "%" in it cannot reach a printf-style formatter.
std::string FormatText(const std::string& format, const std::vector<std::string>& values);

// The folder and the name with one "/" between them.
std::string JoinPath(const std::string& folder, const std::string& name);

// Whether a name that came from elsewhere (the player) names one file inside a folder and
// nothing else: not empty, not "." or "..", no "/" and no zero byte, well-formed UTF-8 and no
// longer than a file name may be.
bool IsPlainFileName(const std::string& name);

// The parts of the system's default language identifier.
uint16_t SystemPrimaryLang();
// The primary languages the programs ask about.
inline constexpr uint16_t kLangChinese = 0x04;
inline constexpr uint16_t kLangJapanese = 0x11;
inline constexpr uint16_t kLangKorean = 0x12;
uint16_t SystemSubLang();
