#pragma once

#include "platform/shell/api.h"
#include "platform/win/window.h"

#include <QPointer>
#include <QWidget>

#include <map>

namespace kivo::shell {

// A window handle for a Qt widget. It answers the window messages of platform/win/window_ops.h:
// its text (a window's title, a label's, button's or edit box's text), its place on the screen,
// moving it, its child controls by identifier and the width of a text in its font.
class KIVO_SHELL_API WidgetWindow : public Window {
public:
    explicit WidgetWindow(QWidget* widget) : widget_(widget) {}

    // The child keeps living elsewhere; it must outlive this window or be removed first.
    void AddChild(int id, WidgetWindow* child) { children_[id] = child; }
    QWidget* widget() const { return widget_; }

    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    QPointer<QWidget> widget_;
    std::map<int, WidgetWindow*> children_;
};

}  // namespace kivo::shell
