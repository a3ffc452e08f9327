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

}  // namespace

QRect KeepOnNearestScreen(const QRect& window, const std::vector<QRect>& screens) {
    QRect titleBar(window.left(), window.top(), window.width(),
                   std::min(window.height(), kTitleBarHeight));
    if (screens.empty() || std::any_of(screens.begin(), screens.end(), [&](const QRect& screen) {
            return screen.intersects(titleBar);
        }))
        return window;
    const QRect* nearest = &screens.front();
    int64_t best = std::numeric_limits<int64_t>::max();
    for (const QRect& screen : screens) {
        int64_t d = DistanceSquared(window.center(), screen);
        if (d < best) {
            best = d;
            nearest = &screen;
        }
    }
    return QRect(Clamped(window.left(), window.width(), nearest->left(), nearest->width()),
                 Clamped(window.top(), window.height(), nearest->top(), nearest->height()),
                 window.width(), window.height());
}

}  // namespace kivo::phonebook
