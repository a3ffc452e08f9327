#pragma once

#include <QRect>

#include <vector>

namespace kivo::phonebook {

// A window whose title bar no screen shows (its screen since removed, say) cannot be reached:
// it is moved onto the screen nearest to it, wholly when it fits. A window that can be reached
// stays where it is.
QRect KeepOnNearestScreen(const QRect& window, const std::vector<QRect>& screens);

// A stored placement as it can be shown: no larger than the screen it is on (the one it covers
// most, else the nearest), moved wholly onto that screen along a side that had to shrink, and
// then kept within reach as above.
QRect FitOnScreen(const QRect& window, const std::vector<QRect>& screens);

}  // namespace kivo::phonebook
