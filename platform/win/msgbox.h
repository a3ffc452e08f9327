#pragma once

#include "platform/win/api.h"
#include "platform/win/types.h"

#include <functional>
#include <string>

// Every message box goes through one hook: the programs install a real box, tests a scripted
// one. Without a hook the text goes to standard error and the answer is OK (No for questions).
struct MessageBoxRequest {
    HWND owner;
    std::string text;
    std::string caption;
    UINT flags;
};
using MessageBoxHook = std::function<int(const MessageBoxRequest&)>;

KIVO_WIN_API void SetMessageBoxHook(MessageBoxHook hook);
KIVO_WIN_API MessageBoxHook CurrentMessageBoxHook();
KIVO_WIN_API int MessageBoxA(HWND owner, const char* text, const char* caption, UINT flags);

// The answer a box gives when nobody is asked: OK, or No when it asks Yes or No.
inline constexpr int UnattendedAnswer(UINT flags) {
    return (flags & 0xF) == MB_YESNO ? IDNO : IDOK;
}

// Installs a hook for its lifetime and then puts the earlier one back.
class ScopedMessageBoxHook {
public:
    explicit ScopedMessageBoxHook(MessageBoxHook hook) : previous_(CurrentMessageBoxHook()) {
        SetMessageBoxHook(std::move(hook));
    }
    ~ScopedMessageBoxHook() { SetMessageBoxHook(std::move(previous_)); }
    ScopedMessageBoxHook(const ScopedMessageBoxHook&) = delete;
    ScopedMessageBoxHook& operator=(const ScopedMessageBoxHook&) = delete;

private:
    MessageBoxHook previous_;
};
