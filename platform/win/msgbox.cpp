#include "platform/win/msgbox.h"

#include <cstdio>

namespace {
MessageBoxHook& hook() {
    static MessageBoxHook h;
    return h;
}
}  // namespace

void SetMessageBoxHook(MessageBoxHook h) { hook() = std::move(h); }

int MessageBoxA(HWND owner, const char* text, const char* caption, UINT flags) {
    MessageBoxRequest request{owner, text ? text : "", caption ? caption : "", flags};
    if (hook()) return hook()(request);
    std::fprintf(stderr, "%s: %s\n", request.caption.c_str(), request.text.c_str());
    return (flags & 0xF) == MB_YESNO ? IDNO : IDOK;
}
