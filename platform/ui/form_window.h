#pragma once

#include "platform/win/window.h"

#include <QMainWindow>

namespace kivo::ui {

// A program's main window that is also a window of the platform: its handle can be given to a
// library, and messages sent to it with SendMessageA reach HandleMessage synchronously, on the
// thread that sends them (the one user-interface thread).
class FormWindow : public QMainWindow, public Window {
public:
    explicit FormWindow(QWidget* parent = nullptr);
    ~FormWindow() override;

    // The form that owns a handle; nullptr for any other handle.
    static FormWindow* FromHandle(HWND window);
    // The application's main form: the first form created that is still open; nullptr when
    // there is none. Dialogs that their caller gave no window to own them take this one.
    static FormWindow* MainForm();
};

}  // namespace kivo::ui
