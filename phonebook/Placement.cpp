#include "phonebook/Placement.h"

#include <algorithm>
#include <limits>

namespace kivo::phonebook {

namespace {

// Where the window is grabbed to move it.
constexpr int kTitleBarHeight = 24;

int64_t DistanceSquared(const QPoint& point, const QRect& rect) {
    int64_t dx = std::max({0, rect.left() - point.x(), point.x() - rect.right()});
    int64_t dy = std::max({0, rect.top() - point.y(), point.y() - rect.bottom()});
    return dx * dx + dy * dy;
}

int Clamped(int start, int length, int areaStart, int areaLength) {
    if (length >= areaLength)
        return areaStart;
    return std::clamp(start, areaStart, areaStart + areaLength - length);
}

const QRect* NearestScreen(const QRect& window, const std::vector<QRect>& screens) {
    const QRect* nearest = &screens.front();
    int64_t best = std::numeric_limits<int64_t>::max();
    for (const QRect& screen : screens) {
        int64_t d = DistanceSquared(window.center(), screen);
        if (d < best) {
            best = d;
            nearest = &screen;
        }
    }
    return nearest;
}

int64_t Area(const QRect& rect) {
    return rect.isEmpty() ? 0 : int64_t{rect.width()} * rect.height();
}

// The screen that shows most of the window, else the one nearest to it.
const QRect& HomeScreen(const QRect& window, const std::vector<QRect>& screens) {
    const QRect* home = nullptr;
    int64_t most = 0;
    for (const QRect& screen : screens) {
        int64_t shown = Area(screen.intersected(window));
        if (shown > most) {
            most = shown;
            home = &screen;
        }
    }
    return home ? *home : *NearestScreen(window, screens);
}

}  // namespace

QRect KeepOnNearestScreen(const QRect& window, const std::vector<QRect>& screens) {
    QRect titleBar(window.left(), window.top(), window.width(),
                   std::min(window.height(), kTitleBarHeight));
    if (screens.empty() || std::any_of(screens.begin(), screens.end(), [&](const QRect& screen) {
            return screen.intersects(titleBar);
        }))
        return window;
    const QRect* nearest = NearestScreen(window, screens);
    return QRect(Clamped(window.left(), window.width(), nearest->left(), nearest->width()),
                 Clamped(window.top(), window.height(), nearest->top(), nearest->height()),
                 window.width(), window.height());
}

QRect FitOnScreen(const QRect& window, const std::vector<QRect>& screens) {
    if (screens.empty())
        return window;
    const QRect& screen = HomeScreen(window, screens);
    QRect fitted = window;
    if (window.width() > screen.width()) {
        fitted.setLeft(screen.left());
        fitted.setWidth(screen.width());
    }
    if (window.height() > screen.height()) {
        fitted.setTop(screen.top());
        fitted.setHeight(screen.height());
    }
    return KeepOnNearestScreen(fitted, screens);
}

}  // namespace kivo::phonebook
