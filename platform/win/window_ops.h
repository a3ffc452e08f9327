#pragma once

#include "platform/win/types.h"
#include "platform/win/window.h"

// Text, place and children of a window. Each call is a message to the window, so whatever
// stands behind a handle answers them its own way; a window that does not answer gives 0.

inline constexpr UINT WM_SETTEXT = 0x0C;  // lParam: const char* text; TRUE when taken
inline constexpr UINT WM_GETTEXT = 0x0D;  // wParam: buffer size; lParam: char*; bytes copied

// Messages our windows answer in place of the window manager's own calls.
inline constexpr UINT WM_KIVO_GETRECT = 0x7F00;     // lParam: RECT*; TRUE when filled
inline constexpr UINT WM_KIVO_SETPOS = 0x7F01;      // lParam: const WINDOWPOS*; TRUE when done
inline constexpr UINT WM_KIVO_GETDLGITEM = 0x7F02;  // wParam: control id; the child's HWND
inline constexpr UINT WM_KIVO_TEXTWIDTH = 0x7F03;   // lParam: const char*; pixels in its font

struct RECT {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

inline constexpr UINT SWP_NOSIZE = 0x0001;
inline constexpr UINT SWP_NOMOVE = 0x0002;
inline constexpr UINT SWP_NOZORDER = 0x0004;
inline constexpr UINT SWP_NOACTIVATE = 0x0010;

struct WINDOWPOS {
    HWND hwnd = nullptr;
    HWND hwndInsertAfter = nullptr;
    int x = 0;
    int y = 0;
    int cx = 0;
    int cy = 0;
    UINT flags = 0;
};

inline BOOL SetWindowTextA(HWND window, const char* text) {
    return static_cast<BOOL>(
        SendMessageA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text ? text : "")));
}

// Copies at most size - 1 bytes and a terminating zero; the bytes copied.
inline int GetWindowTextA(HWND window, char* buffer, int size) {
    if (!buffer || size <= 0)
        return 0;
    buffer[0] = '\0';
    return static_cast<int>(SendMessageA(window, WM_GETTEXT, static_cast<WPARAM>(size),
                                         reinterpret_cast<LPARAM>(buffer)));
}

inline BOOL GetWindowRect(HWND window, RECT* rect) {
    return static_cast<BOOL>(
        SendMessageA(window, WM_KIVO_GETRECT, 0, reinterpret_cast<LPARAM>(rect)));
}

inline BOOL SetWindowPos(HWND window, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
    WINDOWPOS pos{window, insertAfter, x, y, cx, cy, flags};
    return static_cast<BOOL>(
        SendMessageA(window, WM_KIVO_SETPOS, 0, reinterpret_cast<LPARAM>(&pos)));
}

inline HWND GetDlgItem(HWND dialog, int id) {
    return reinterpret_cast<HWND>(
        SendMessageA(dialog, WM_KIVO_GETDLGITEM, static_cast<WPARAM>(id), 0));
}

// The width of a text as the window would draw it, in pixels.
inline int GetWindowTextWidth(HWND window, const char* text) {
    return static_cast<int>(
        SendMessageA(window, WM_KIVO_TEXTWIDTH, 0, reinterpret_cast<LPARAM>(text ? text : "")));
}
