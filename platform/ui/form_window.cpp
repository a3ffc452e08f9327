#include "platform/ui/form_window.h"

#include <algorithm>
#include <unordered_map>
#include <vector>

namespace kivo::ui {

namespace {

std::unordered_map<HWND, FormWindow*>& forms() {
    static std::unordered_map<HWND, FormWindow*> table;
    return table;
}

// The open forms in the order they were created.
std::vector<FormWindow*>& creationOrder() {
    static std::vector<FormWindow*> order;
    return order;
}

}  // namespace

FormWindow::FormWindow(QWidget* parent) : QMainWindow(parent) {
    forms()[handle()] = this;
    creationOrder().push_back(this);
}

FormWindow::~FormWindow() {
    forms().erase(handle());
    auto& order = creationOrder();
    order.erase(std::remove(order.begin(), order.end(), this), order.end());
}

FormWindow* FormWindow::FromHandle(HWND window) {
    auto it = forms().find(window);
    return it == forms().end() ? nullptr : it->second;
}

FormWindow* FormWindow::MainForm() {
    return creationOrder().empty() ? nullptr : creationOrder().front();
}

}  // namespace kivo::ui
