#include "phonebook/Placement.h"

#include <gtest/gtest.h>

namespace kivo::phonebook {
namespace {

TEST(Placement, WindowsOutOfReachComeBackToTheNearestScreen) {
    const std::vector<QRect> two = {QRect(0, 0, 1920, 1080), QRect(1920, 0, 1280, 1024)};
    struct Case {
        const char* what;
        std::vector<QRect> screens;
        QRect window, kept;
    };
    const Case cases[] = {
        {"on the screen", two, {100, 50, 538, 504}, {100, 50, 538, 504}},
        {"on the second screen", two, {2000, 100, 538, 504}, {2000, 100, 538, 504}},
        {"partly off, title bar shown", two, {3000, 900, 538, 504}, {3000, 900, 538, 504}},
        {"where a third screen was", two, {3500, 200, 538, 504}, {2662, 200, 538, 504}},
        {"far below and left", two, {-5000, 5000, 538, 504}, {0, 576, 538, 504}},
        {"title bar above every screen", two, {300, -490, 538, 504}, {300, 0, 538, 504}},
        {"larger than the screen",
         {QRect(0, 0, 800, 600)},
         {900, 700, 1000, 700},
         {0, 0, 1000, 700}},
        {"no screen known", {}, {-9000, 0, 538, 504}, {-9000, 0, 538, 504}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(KeepOnNearestScreen(c.window, c.screens), c.kept) << c.what;
}

TEST(Placement, StoredSizesShrinkToTheirScreenAndComeWhollyOntoIt) {
    const std::vector<QRect> one = {QRect(0, 0, 1280, 1024)};
    const std::vector<QRect> two = {QRect(0, 0, 1920, 1080), QRect(1920, 0, 1280, 1024)};
    struct Case {
        const char* what;
        std::vector<QRect> screens;
        QRect window, fitted;
    };
    const Case cases[] = {
        {"fits: unchanged", one, {100, 50, 538, 504}, {100, 50, 538, 504}},
        {"fits partly off: unchanged", one, {1000, 900, 538, 504}, {1000, 900, 538, 504}},
        {"too wide and too high", one, {0, 0, 2500, 1400}, {0, 0, 1280, 1024}},
        {"too wide, moved along", one, {900, 100, 2500, 600}, {0, 100, 1280, 600}},
        {"too high only", one, {300, -200, 538, 3000}, {300, 0, 538, 1024}},
        {"huge", one, {0, 0, 20000, 30000}, {0, 0, 1280, 1024}},
        {"on the second screen", two, {2000, 50, 1500, 2000}, {1920, 0, 1280, 1024}},
        {"off every screen", one, {-9000, 5000, 3000, 300}, {0, 724, 1280, 300}},
        {"no screen known", {}, {0, 0, 20000, 30000}, {0, 0, 20000, 30000}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FitOnScreen(c.window, c.screens), c.fitted) << c.what;
}

}  // namespace
}  // namespace kivo::phonebook
