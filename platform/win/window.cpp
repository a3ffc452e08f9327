#include "platform/win/window.h"

#include <cstdint>
#include <deque>
#include <unordered_map>

namespace {

struct Posted {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

struct WindowTable {
    std::unordered_map<HWND, Window*> live;
    uintptr_t next = 0x10000;
    std::deque<Posted> posted;
    MessagePump pump;
};

WindowTable& table() {
    static WindowTable t;
    return t;
}

}  // namespace

// Handles are counters, never reused, so a stale handle cannot reach a newer window.
Window::Window() : handle_(reinterpret_cast<HWND>(table().next += 4)) {
    table().live[handle_] = this;
}

Window::~Window() {
    table().live.erase(handle_);
}

LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto it = table().live.find(window);
    if (it == table().live.end())
        return 0;
    return it->second->HandleMessage(message, wParam, lParam);
}

BOOL IsWindow(HWND window) {
    return table().live.count(window) ? TRUE : FALSE;
}

BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!IsWindow(window))
        return FALSE;
    table().posted.push_back({window, message, wParam, lParam});
    return TRUE;
}

int DispatchPostedMessages(int limit) {
    int ran = 0;
    auto& q = table().posted;
    // "All" means the messages waiting now: a handler that posts again cannot keep us here.
    if (limit < 0)
        limit = static_cast<int>(q.size());
    while (!q.empty() && ran < limit) {
        Posted p = q.front();
        q.pop_front();
        SendMessageA(p.window, p.message, p.wParam, p.lParam);
        ++ran;
    }
    return ran;
}

void SetMessagePump(MessagePump pump) {
    table().pump = std::move(pump);
}

int PumpMessages(int limit) {
    if (table().pump)
        return table().pump(limit);
    return DispatchPostedMessages(limit);
}

void PumpAllMessages() {
    PumpMessages(-1);
}
