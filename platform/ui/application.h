#pragma once

#include "platform/win/types.h"

#include <QApplication>

#include <exception>
#include <functional>
#include <string>
#include <vector>

// The Qt side of the platform that both programs share: the application object, the
// application-wide message hook, the pump and message boxes over Qt, the busy cursor.
namespace kivo::ui {

// A message as the application-wide hook sees it.
struct AppMessage {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};
// Returns true when it handled the message.
using AppMessageHook = std::function<bool(const AppMessage&)>;

// What a WM_DROPFILES message points to with its wParam: the dropped local paths, whole, in
// drop order. Valid only while the hook runs.
struct DroppedFiles {
    std::vector<std::string> paths;
};

// Installs the program's message hook (empty: none). Messages that the platform raises outside
// SendMessageA, such as dropped files, pass through it.
void SetAppMessageHook(AppMessageHook hook);
// Hands a message to the hook; false when there is none or it did not handle the message.
bool DeliverAppMessage(const AppMessage& message);

// What happens to an exception that reaches the event loop. The handler gets the exception's
// text ("Unknown exception" for one that is no std::exception).
using ExceptionHandler = std::function<void(const std::string& what)>;

// The program's application object. Creating it installs the Qt message boxes, the common
// dialogs of Qt and the pump over Qt's event processing.
class Application : public QApplication {
public:
    Application(int& argc, char** argv);
    ~Application() override;

    // An exception escaping an event handler goes here instead of ending the program at once.
    // Without a handler it is shown in an error box and the event loop ends with status 1.
    void SetExceptionHandler(ExceptionHandler handler) { exceptionHandler_ = std::move(handler); }

    bool notify(QObject* receiver, QEvent* event) override;

private:
    void HandleException(const std::string& what);

    ExceptionHandler exceptionHandler_;
};

// Each installs one part of what the Application installs, for tests that use a plain
// QApplication.
void InstallEventPump();
void InstallFontSubstitutes();
void InstallQtMessageBoxes();
// Qt's own texts (the buttons of message boxes, the file dialogs) in the system's language,
// as the system's own dialogs speak it; English where Qt has no translation. Calling it again
// replaces the earlier translation.
void InstallSystemTranslations();

// Draws a window whole now, every child included, as the window system's exposure of it would:
// for the moments when a box or menu has gone from over it and no event will run for a while.
void PaintWholeNow(QWidget* window);

// Shows a top-level window and paints it before returning: the window system maps a window in
// its own time, and a paint before the window is exposed is lost. Waits at most about a second
// for the exposure, handling no user input meanwhile.
void ShowPainted(QWidget* window);

// The program-wide hourglass (true) or the arrow (false); repeated calls do not stack.
void SetWaitCursor(bool wait);
bool WaitCursorShown();

// Texts inside the programs are UTF-8; the line breaks of messages are "\r\n".
QString FromText(const std::string& text);

}  // namespace kivo::ui
