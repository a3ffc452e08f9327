#include "platform/shell/widget_window.h"

#include "platform/win/window_ops.h"

#include <QAbstractButton>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>

#include <cstring>

namespace kivo::shell {
namespace {

QString TextOfWidget(const QWidget& widget) {
    if (auto* label = qobject_cast<const QLabel*>(&widget))
        return label->text();
    if (auto* button = qobject_cast<const QAbstractButton*>(&widget))
        return button->text();
    if (auto* edit = qobject_cast<const QLineEdit*>(&widget))
        return edit->text();
    return widget.windowTitle();
}

void SetTextOfWidget(QWidget& widget, const QString& text) {
    if (auto* label = qobject_cast<QLabel*>(&widget))
        label->setText(text);
    else if (auto* button = qobject_cast<QAbstractButton*>(&widget))
        button->setText(text);
    else if (auto* edit = qobject_cast<QLineEdit*>(&widget))
        edit->setText(text);
    else
        widget.setWindowTitle(text);
}

// As many bytes as fit with a terminating zero, never half a character.
int CopyText(const QByteArray& utf8, char* buffer, size_t size) {
    size_t count = std::min(static_cast<size_t>(utf8.size()), size - 1);
    while (count > 0 && count < static_cast<size_t>(utf8.size()) &&
           (static_cast<unsigned char>(utf8[count]) & 0xC0) == 0x80)
        --count;
    std::memcpy(buffer, utf8.constData(), count);
    buffer[count] = '\0';
    return static_cast<int>(count);
}

}  // namespace

LRESULT WidgetWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (!widget_)
        return 0;
    switch (message) {
        case WM_SETTEXT:
            SetTextOfWidget(*widget_, QString::fromUtf8(reinterpret_cast<const char*>(lParam)));
            return TRUE;
        case WM_GETTEXT:
            if (wParam == 0 || lParam == 0)
                return 0;
            return CopyText(TextOfWidget(*widget_).toUtf8(), reinterpret_cast<char*>(lParam),
                            wParam);
        case WM_KIVO_GETRECT: {
            auto* rect = reinterpret_cast<RECT*>(lParam);
            if (!rect)
                return FALSE;
            QRect area = widget_->isWindow()
                             ? widget_->frameGeometry()
                             : QRect(widget_->mapToGlobal(QPoint(0, 0)), widget_->size());
            *rect = RECT{area.left(), area.top(), area.left() + area.width(),
                         area.top() + area.height()};
            return TRUE;
        }
        case WM_KIVO_SETPOS: {
            const auto* pos = reinterpret_cast<const WINDOWPOS*>(lParam);
            if (!pos)
                return FALSE;
            if (!(pos->flags & SWP_NOMOVE))
                widget_->move(pos->x, pos->y);
            if (!(pos->flags & SWP_NOSIZE))
                widget_->resize(pos->cx, pos->cy);
            return TRUE;
        }
        case WM_KIVO_GETDLGITEM: {
            auto it = children_.find(static_cast<int>(wParam));
            return it == children_.end() ? 0 : reinterpret_cast<LRESULT>(it->second->handle());
        }
        case WM_KIVO_TEXTWIDTH:
            return QFontMetrics(widget_->font())
                .horizontalAdvance(QString::fromUtf8(reinterpret_cast<const char*>(lParam)));
        default:
            return 0;
    }
}

}  // namespace kivo::shell
