#include "link/common/file_list_row.h"

#include "link/common/name_code_page.h"
#include "link/common/play_order.h"
#include "platform/win/window.h"

#include <cstdio>

namespace kivo::link {

const std::array<uint16_t, kBitRateCodes> kBitRateTable{0,   32,  40,  48,  56,  64,  80, 96,
                                                        112, 128, 160, 192, 224, 256, 320};

std::string FileTypeText(uint8_t type, std::string_view name) {
    const size_t dot = name.rfind('.');
    const std::string_view suffix = dot == std::string_view::npos ? "" : name.substr(dot);
    switch (type) {
        case 1:
            return suffix == ".sm3" || suffix == ".SM3" ? "Velvane MP3 File" : "MPEG Audio File";
        case 2:
            return "Telephone Book";
        case 3:
            return suffix == ".wav" || suffix == ".WAV" ? "Wave Sound File" : "SC4 File";
        case 4:
            return "MAS File";
        case 5:
            return "Digital Camera Image File";
        default:
            if (dot == std::string_view::npos)
                return {};
            return std::string(name.substr(dot + 1)) + " File";
    }
}

std::string PlayTimeText(uint8_t type, int32_t size, uint8_t bitRateCode) {
    int64_t seconds = 0;
    if (type == kMp3Type) {
        const int64_t rate = bitRateCode < kBitRateCodes ? kBitRateTable[bitRateCode] : 0;
        if (rate == 0)
            return " ";
        seconds = int64_t{size} * 8 / (rate * 1000);
    } else if (type == kVoiceType && size > 0) {
        seconds = size / 4000;
    } else {
        return " ";
    }
    char text[48];
    std::snprintf(text, sizeof text, "%.2d:%.2d:%.2d", static_cast<int>(seconds / 3600 % 24),
                  static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
    return text;
}

void AddFileListRow(LinkState& state, HWND listView, const DeviceFileEntry& entry) {
    const std::string name = FromNameCodePage(state, entry.name.data());
    const int row = static_cast<int>(SendMessageA(listView, LVM_GETITEMCOUNT, 0, 0));

    LVITEMA item;
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = row;
    item.pszText = const_cast<char*>(name.c_str());
    SendMessageA(listView, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));

    if (entry.type == kPhoneBookType)
        state.PhoneBookIndex = entry.index;
    int16_t position = kNoPosition;
    if (entry.type == kMp3Type) {
        position = FindPlayOrderPosition(state, entry.index);
        if (position == kNoPosition)
            position = AppendPlayOrder(state, entry.index);
    }

    char size[16], index[8], order[8];
    std::snprintf(size, sizeof size, "%d", entry.size);
    std::snprintf(index, sizeof index, "%d", entry.index);
    std::snprintf(order, sizeof order, "%d", position);
    const std::string typeText = FileTypeText(entry.type, name);
    const std::string time = PlayTimeText(entry.type, entry.size, entry.bitRateCode);
    const char* cells[] = {size, typeText.c_str(), index, order, time.c_str()};
    for (int column = 1; column <= 5; ++column) {
        LVITEMA cell;
        cell.iSubItem = column;
        cell.pszText = const_cast<char*>(cells[column - 1]);
        SendMessageA(listView, LVM_SETITEMTEXTA, static_cast<WPARAM>(row),
                     reinterpret_cast<LPARAM>(&cell));
    }
}

}  // namespace kivo::link
