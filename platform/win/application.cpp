#include "platform/win/application.h"

namespace {

struct Application {
    std::string title;
    HWND window = nullptr;
};

Application& app() {
    static Application a;
    return a;
}

}  // namespace

void SetApplicationTitle(std::string title) {
    app().title = std::move(title);
}
const std::string& ApplicationTitle() {
    return app().title;
}
void SetApplicationWindow(HWND window) {
    app().window = window;
}
HWND ApplicationWindow() {
    return app().window;
}
