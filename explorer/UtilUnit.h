#pragma once

#include "platform/win/types.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kivo::explorer {

// Small stateless helpers that only the explorer uses; those of both programs are in appkit/.

// The size of a regular file; 0 for an empty path and for anything that is no file that can be
// opened for reading. The whole 64-bit size, so that a file of 4 GiB or more is seen as large.
int64_t FileSizeOf(const std::string& path);
int64_t TotalFileSize(const std::vector<std::string>& paths);

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

// "1234567" -> "1,234,567"; texts of fewer than four characters stay as they are.
std::string GroupThousands(const std::string& digits);
// Whole kilobytes rounded up, grouped, then " KB": 1025 -> "2 KB".
std::string FormatSizeKB(int64_t bytes);

// The folder and the name with one "/" between them.
std::string JoinPath(const std::string& folder, const std::string& name);

// Whether a name that came from elsewhere (the player) names one file inside a folder and
// nothing else: not empty, not "." or "..", no "/" and no zero byte, well-formed UTF-8 and no
// longer than a file name may be.
bool IsPlainFileName(const std::string& name);

}  // namespace kivo::explorer
