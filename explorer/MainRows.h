#pragma once

#include "platform/win/listview.h"

#include <cstdint>
#include <optional>
#include <string>

namespace kivo::explorer {

// What the commands read back from the rows of the device file lists. A row that a copy to the
// player added and no refresh has completed holds only its name and size.

inline constexpr int kSizeColumn = 1;
inline constexpr int kIndexColumn = 3;
inline constexpr int kPlayerNameColumn = 6;

// The row's file index: only a number in the player's file range (6 to 254) may reach the link.
std::optional<int32_t> RowFileIndex(const ListViewControl& list, int row);

// The last component of a PC path.
std::string LastComponent(const std::string& path);

}  // namespace kivo::explorer
