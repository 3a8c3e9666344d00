// Placement of dialogs over the main window, kept on the screen.
#include "ui/WindowPlacement.h"

#include <gtest/gtest.h>

using namespace korvel;

struct PlacementCase
{
    const char* name;
    QRect main;
    QSize window;
    QPoint expected;
};

class Placement : public testing::TestWithParam<PlacementCase>
{
};

TEST_P(Placement, OverTheMainWindowAndOnTheScreen)
{
    const PlacementCase& c = GetParam();
    const QRect screen(0, 0, 1024, 768);
    EXPECT_EQ(PlaceOverWindow(c.main, c.window, screen), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Placement,
    testing::Values(
        // centred across, a third down: 100 + 230/2, 100 + 283/3
        PlacementCase{"centred", {100, 100, 555, 398}, {325, 115}, {215, 194}},
        // truncation toward zero of a negative half
        PlacementCase{"wider_than_main", {300, 300, 100, 100}, {205, 103}, {248, 299}},
        PlacementCase{"off_left_top", {-500, -400, 555, 398}, {205, 103}, {0, 0}},
        PlacementCase{"off_right", {900, 100, 555, 398}, {325, 115}, {699, 194}},
        // lifted so that 20 pixels stay free below it: 768 - 115 - 20
        PlacementCase{"near_bottom", {100, 600, 555, 398}, {325, 115}, {215, 633}},
        // larger than the screen: right and bottom clamps win
        PlacementCase{"huge", {0, 0, 555, 398}, {1200, 900}, {-176, -152}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Placement, OffsetScreenAndMainWindowOnItsOwn)
{
    const QRect screen(1920, 0, 1280, 1024);
    EXPECT_EQ(PlaceOverWindow({1700, 10, 555, 398}, {205, 103}, screen), QPoint(1920, 108));
    EXPECT_EQ(PlaceOnScreen({555, 398}, QRect(0, 0, 1024, 768)), QPoint(234, 123));
}
