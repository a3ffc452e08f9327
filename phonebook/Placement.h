#pragma once

#include <QRect>

#include <vector>

namespace kivo::phonebook {

// A window whose title bar no screen shows (its screen since removed, say) cannot be reached:
// it is moved onto the screen nearest to it, wholly when it fits. A window that can be reached
// stays where it is.
QRect KeepOnNearestScreen(const QRect& window, const std::vector<QRect>& screens);

}  // namespace kivo::phonebook
