#include "platform/ui/form_window.h"

#include <unordered_map>

namespace kivo::ui {

namespace {

std::unordered_map<HWND, FormWindow*>& forms() {
    static std::unordered_map<HWND, FormWindow*> table;
    return table;
}

}  // namespace

FormWindow::FormWindow(QWidget* parent) : QMainWindow(parent) {
    forms()[handle()] = this;
}

FormWindow::~FormWindow() {
    forms().erase(handle());
}

FormWindow* FormWindow::FromHandle(HWND window) {
    auto it = forms().find(window);
    return it == forms().end() ? nullptr : it->second;
}

}  // namespace kivo::ui
