#include "platform/wab/entry_id.h"

#include <cstring>

namespace kivo::wab {

namespace entry_id {

namespace {
constexpr char kMarker[4] = {'K', 'I', 'V', 'O'};
}

std::string Make(uint32_t position) {
    std::string id(4, '\0');
    id.append(kMarker, sizeof kMarker);
    for (int i = 0; i < 4; ++i)
        id += static_cast<char>((position >> (8 * i)) & 0xFF);
    return id;
}

std::optional<uint32_t> Parse(const uint8_t* bytes, uint32_t size) {
    if (bytes == nullptr || size != kSize)
        return std::nullopt;
    if (std::memcmp(bytes + 4, kMarker, sizeof kMarker) != 0)
        return std::nullopt;
    return bytes[8] | (bytes[9] << 8) | (bytes[10] << 16) |
           (static_cast<uint32_t>(bytes[11]) << 24);
}

}  // namespace entry_id

}  // namespace kivo::wab
