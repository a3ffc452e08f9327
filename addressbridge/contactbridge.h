#pragma once

#include "platform/win/types.h"

// The address-book bridge: the contacts of an address-book file as rows of the caller's
// three-column list view (name, home number, business number; data value 0). Call in pairs from
// one thread: WAB_AllocList, read the rows, WAB_FreeList. Both always return 0.
extern "C" {
__attribute__((visibility("default"))) int WAB_AllocList(HWND listView, const char* path);
__attribute__((visibility("default"))) int WAB_FreeList(HWND listView);
}
