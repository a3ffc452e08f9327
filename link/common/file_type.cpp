#include "link/common/file_type.h"

#include <array>
#include <utility>

namespace kivo::link {

uint8_t DeviceFileTypeOf(std::string_view path) {
    static constexpr std::array<std::pair<std::string_view, uint8_t>, 12> kTypes{{
        {".mp3", 1},
        {".MP3", 1},
        {".sm3", 1},
        {".SM3", 1},
        {".tel", 2},
        {".TEL", 2},
        {".sc4", 3},
        {".SC4", 3},
        {".wav", 3},
        {".WAV", 3},
        {".mas", 4},
        {".MAS", 4},
    }};
    const size_t dot = path.rfind('.');
    if (dot == std::string_view::npos)
        return 0;
    const std::string_view suffix = path.substr(dot);
    if (suffix == ".dsc" || suffix == ".DSC")
        return 5;
    for (const auto& [text, type] : kTypes) {
        if (suffix == text)
            return type;
    }
    return 0;
}

std::string_view FileNameOf(std::string_view path) {
    const size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

}  // namespace kivo::link
