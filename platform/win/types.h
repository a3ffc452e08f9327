#pragma once

#include <cstdint>

// The platform's types and constants, with the values the callers rely on.
struct HWND__;
using HWND = HWND__*;
using UINT = uint32_t;
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;
using BOOL = int;

// A loaded module; 0 when loading failed.
struct HINSTANCE__;
using HINSTANCE = HINSTANCE__*;
using HMODULE = HINSTANCE;

inline constexpr BOOL TRUE = 1;
inline constexpr BOOL FALSE = 0;

inline constexpr UINT WM_PAINT = 0x0F;
inline constexpr UINT WM_NCPAINT = 0x85;
inline constexpr UINT WM_NCACTIVATE = 0x86;
inline constexpr UINT WM_DROPFILES = 0x233;
inline constexpr UINT WM_USER = 0x400;
inline constexpr UINT kTransferProgressMessage = 0x40A;
inline constexpr UINT kTransferStartMessage = 0x40B;
inline constexpr UINT kConvertProgressMessage = 0x40C;

inline constexpr UINT LVM_FIRST = 0x1000;
inline constexpr UINT LVM_GETITEMCOUNT = 0x1004;
inline constexpr UINT LVM_GETITEMA = 0x1005;
inline constexpr UINT LVM_INSERTITEMA = 0x1007;
inline constexpr UINT LVM_DELETEITEM = 0x1008;
inline constexpr UINT LVM_DELETEALLITEMS = 0x1009;
inline constexpr UINT LVM_GETITEMTEXTA = 0x102D;
inline constexpr UINT LVM_SETITEMTEXTA = 0x102E;

inline constexpr UINT LVIF_TEXT = 1;
inline constexpr UINT LVIF_IMAGE = 2;
inline constexpr UINT LVIF_PARAM = 4;

// The list-view item record, with the fields callers set.
struct LVITEMA {
    UINT mask = 0;
    int iItem = 0;
    int iSubItem = 0;
    UINT state = 0;
    UINT stateMask = 0;
    char* pszText = nullptr;
    int cchTextMax = 0;
    int iImage = 0;
    LPARAM lParam = 0;
};

inline constexpr UINT MB_OK = 0;
inline constexpr UINT MB_YESNO = 4;
inline constexpr UINT MB_ICONERROR = 16;
inline constexpr UINT MB_ICONQUESTION = 32;
inline constexpr UINT MB_ICONWARNING = 48;
inline constexpr UINT MB_ICONINFORMATION = 64;
inline constexpr int IDOK = 1;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

inline constexpr int SW_SHOW = 5;
