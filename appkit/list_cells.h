#pragma once

#include "platform/win/types.h"

#include <string>

// The text of a cell read through the list view's window, at most 1023 bytes; a missing cell
// reads as empty.
std::string GetListViewCellText(HWND listView, int row, int column);
