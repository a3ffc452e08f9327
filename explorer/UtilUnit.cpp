#include "explorer/UtilUnit.h"

#include "appkit/list_cells.h"
#include "platform/win/collate.h"
#include "platform/win/lang.h"
#include "platform/win/regular_file.h"
#include "platform/win/unique_fd.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>

#include <charconv>
#include <string_view>

namespace kivo::explorer {

int64_t FileSizeOf(const std::string& path) {
    if (path.empty())
        return 0;
    kivo::win::UniqueFd fd = kivo::win::OpenRegularFile(path.c_str(), O_RDONLY);
    struct stat st {};
    if (!fd || ::fstat(fd.get(), &st) != 0)
        return 0;
    return static_cast<int64_t>(st.st_size);
}

int64_t TotalFileSize(const std::vector<std::string>& paths) {
    int64_t total = 0;
    for (const auto& path : paths)
        total += FileSizeOf(path);
    return total;
}

std::optional<int64_t> ParseDecimal(const std::string& text) {
    int64_t value = 0;
    const char* begin = text.data();
    const char* end = begin + text.size();
    if (begin != end && *begin == '+')
        ++begin;
    auto [stop, ec] = std::from_chars(begin, end, value);
    if (begin == end || ec != std::errc() || stop != end)
        return std::nullopt;
    return value;
}

int CompareListItems(const ListItemRef& first, const ListItemRef& second, int column) {
    std::string a = GetListViewCellText(first.listView, first.row, column);
    std::string b = GetListViewCellText(second.listView, second.row, column);
    if (column == 1 || column == 3 || column == 4) {
        // The sign, not the difference: a difference of two large numbers can overflow.
        int64_t x = ParseDecimal(a).value_or(0), y = ParseDecimal(b).value_or(0);
        return (x > y) - (x < y);
    }
    return lstrcmpA(a.c_str(), b.c_str());
}

std::string GroupThousands(const std::string& digits) {
    if (digits.size() < 4)
        return digits;
    // The groups of three are counted from the end: what is left in front is one to three.
    size_t head = digits.size() % 3 == 0 ? 3 : digits.size() % 3;
    std::string result = digits.substr(0, head);
    for (size_t i = head; i < digits.size(); i += 3)
        result.append(",").append(digits, i, 3);
    return result;
}

std::string FormatSizeKB(int64_t bytes) {
    return GroupThousands(std::to_string((bytes + 1023) / 1024)) + " KB";
}

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (folder.empty() || folder.back() == '/')
        return folder + name;
    return folder + "/" + name;
}

bool IsPlainFileName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.size() <= NAME_MAX &&
           name.find_first_of(std::string_view("/\0", 2)) == std::string::npos && IsValidUtf8(name);
}

}  // namespace kivo::explorer
