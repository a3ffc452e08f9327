#pragma once

#include "platform/win/api.h"
#include "platform/win/types.h"

#include <functional>

// A live window: its handle is valid from construction to destruction, and messages sent to it
// are dispatched synchronously to HandleMessage.
class KIVO_WIN_API Window {
public:
    Window();
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    HWND handle() const { return handle_; }

    virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;

private:
    HWND handle_;
};

// A window whose messages go to a function; handy for callers that only listen.
class KIVO_WIN_API CallbackWindow : public Window {
public:
    using Handler = std::function<LRESULT(UINT, WPARAM, LPARAM)>;
    explicit CallbackWindow(Handler handler) : handler_(std::move(handler)) {}
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        return handler_(message, wParam, lParam);
    }

private:
    Handler handler_;
};

// Dispatches at once; an unknown or destroyed handle answers 0.
KIVO_WIN_API LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
KIVO_WIN_API BOOL IsWindow(HWND window);

// Queues a message for the pump; FALSE for an unknown handle.
KIVO_WIN_API BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The pending-message pump. The default one dispatches queued posted messages; a program with
// its own event loop installs a pump over it. A pump runs at most `limit` messages (a negative
// limit: all those waiting when it is called, not those posted meanwhile) and returns how many
// it ran.
using MessagePump = std::function<int(int limit)>;
KIVO_WIN_API void SetMessagePump(MessagePump pump);
KIVO_WIN_API int PumpMessages(int limit);
KIVO_WIN_API void PumpAllMessages();
// Dispatches up to `limit` posted messages (negative: all); the default pump.
KIVO_WIN_API int DispatchPostedMessages(int limit);
