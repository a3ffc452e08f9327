#include "platform/win/msgbox.h"

#include <cstdio>

namespace {
MessageBoxHook& hook() {
    static MessageBoxHook h;
    return h;
}
}  // namespace

void SetMessageBoxHook(MessageBoxHook h) {
    hook() = std::move(h);
}
MessageBoxHook CurrentMessageBoxHook() {
    return hook();
}

int MessageBoxA(HWND owner, const char* text, const char* caption, UINT flags) {
    MessageBoxRequest request{owner, text ? text : "", caption ? caption : "", flags};
    // A copy: the hook may replace itself while its box is up.
    if (MessageBoxHook h = hook())
        return h(request);
    std::fprintf(stderr, "%s: %s\n", request.caption.c_str(), request.text.c_str());
    return UnattendedAnswer(flags);
}
