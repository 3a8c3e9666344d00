// Outlines and animation step sequences of every shaped window, computed
// without a screen: the step counts fix the animation speed users see.
#include "ui/SkinnedWindow.h"

#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

using namespace korvel;

TEST(SkinShape, MainWindowOutlineHidesLeftColumnsTopRowAndBottomRows)
{
    const QSize design(555, 398);
    const QRegion frame = SkinProfile::mainWindow(398).frame(design).region();
    EXPECT_EQ(frame.boundingRect(), QRect(QPoint(10, 1), QPoint(554, 392)));
    // straight edges, right and bottom exclusive
    EXPECT_TRUE(frame.contains(QPoint(10, 200)));
    EXPECT_FALSE(frame.contains(QPoint(9, 200)));
    EXPECT_TRUE(frame.contains(QPoint(554, 200)));
    EXPECT_TRUE(frame.contains(QPoint(277, 1)));
    EXPECT_FALSE(frame.contains(QPoint(277, 0)));
    EXPECT_TRUE(frame.contains(QPoint(277, 392)));
    EXPECT_FALSE(frame.contains(QPoint(277, 393)));
    // rounded corners: the corner pixels themselves are cut away
    EXPECT_FALSE(frame.contains(QPoint(10, 1)));
    EXPECT_FALSE(frame.contains(QPoint(554, 392)));
    EXPECT_TRUE(frame.contains(QPoint(25, 16))); // corner ellipse centre
}

TEST(SkinShape, DegenerateBoxesCoverNothing)
{
    EXPECT_TRUE(SkinShape::ellipse(5, 5, 5, 20).region().isEmpty());
    EXPECT_TRUE(SkinShape::roundRect(5, 20, 100, 10, 20, 20).region().isEmpty());
    EXPECT_EQ(SkinShape::roundRect(0, 0, 4, 4, 0, 0).region(), QRegion(0, 0, 4, 4));
}

struct AnimationCase
{
    const char* name;
    SkinProfile (*profile)();
    QSize size;
    int revealTicks; // ticks until the reveal ends
    int revealEnd;   // RevealStep after the last reveal tick
    int closeSteps;  // regions applied while closing
};

class AnimationSteps : public testing::TestWithParam<AnimationCase>
{
};

TEST_P(AnimationSteps, RevealAndCloseRunTheirStepsAndEndOnce)
{
    const AnimationCase& c = GetParam();
    QWidget window;
    window.resize(c.size);
    SkinnedWindow skin(&window, c.profile());
    QList<int> applied;
    QList<QRegion> regions;
    QObject::connect(&skin, &SkinnedWindow::stepApplied, [&](int s, const QRegion& r) {
        applied << s;
        regions << r;
    });
    int revealEnds = 0;
    QObject::connect(&skin, &SkinnedWindow::revealFinished, [&] { ++revealEnds; });

    skin.startReveal();
    ASSERT_EQ(applied.size(), 1);
    EXPECT_EQ(regions.front(), skin.profile().regionAt(applied.front(), c.size));
    // Ticks are counted by the steps applied: with a profile that pumps events
    // the real timer may also tick inside a step, which is fine.
    int guard = 0;
    while (skin.isRevealing() && ++guard < 10000) {
        skin.revealTick();
        ASSERT_EQ(regions.back(), skin.profile().regionAt(applied.back(), c.size))
            << "step " << applied.back();
        if (!regions.back().isEmpty()) {
            ASSERT_EQ(window.mask(), regions.back());
        }
    }
    EXPECT_EQ(applied.size() - 1, c.revealTicks);
    EXPECT_EQ(skin.revealStep(), c.revealEnd);
    EXPECT_EQ(revealEnds, 1);
    // fully uncovered at the end
    EXPECT_EQ(regions.back(), skin.profile().frame(c.size).region());

    applied.clear();
    regions.clear();
    window.close(); // refused: the closing animation runs first
    ASSERT_TRUE(skin.isClosing() || skin.closeAllowed());
    guard = 0;
    while (!skin.closeAllowed() && ++guard < 10000)
        skin.closeTick();
    EXPECT_EQ(applied.size(), c.closeSteps);
    for (qsizetype i = 1; i < applied.size(); ++i)
        ASSERT_LT(applied[i], applied[i - 1]);
    EXPECT_TRUE(skin.closeAllowed());
    EXPECT_FALSE(skin.closeTimer()->isActive());
}

static SkinProfile mainProfile()
{
    return SkinProfile::mainWindow(398);
}
static SkinProfile settingsProfile()
{
    return SkinProfile::settingsDialog(415);
}
static SkinProfile ioProfile()
{
    return SkinProfile::ioPanel(92);
}

INSTANTIATE_TEST_SUITE_P(
    Windows, AnimationSteps,
    testing::Values(
        // 56 ticks of 10 ms (s 11..561); shrinks in 38 ticks, closes on the 39th
        AnimationCase{"main", &mainProfile, {555, 398}, 56, 561, 38},
        // 42 ticks of 15 ms (s 12..422)
        AnimationCase{"settings", &settingsProfile, {290, 415}, 42, 422, 29},
        AnimationCase{"io", &ioProfile, {555, 92}, 10, 102, 11},
        // slides from H + 20 down to 0, then on out to -H - 50 in steps of 3
        AnimationCase{"transfer", &SkinProfile::transferDialog, {334, 173}, 65, 0, 75},
        AnimationCase{"popup", &SkinProfile::messagePopup, {325, 115}, 44, 661, 330}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SkinAnimation, PopupGrowsOutOfItsTopLeftCornerAndShrinksBackIntoIt)
{
    const SkinProfile p = SkinProfile::messagePopup();
    const QSize size(205, 103);
    QRegion previous;
    for (int s = 1; s <= 2 * size.width() + 15; s += 15) {
        const QRegion r = p.regionAt(s, size);
        EXPECT_TRUE((r & previous) == previous) << "step " << s << " lost pixels";
        if (!r.isEmpty()) {
            EXPECT_EQ(r.boundingRect().topLeft(), QPoint(5, 5)) << "step " << s;
            EXPECT_FALSE(r.contains(QPoint(size.width() - 6, size.height() - 6)) &&
                         s < size.width())
                << "far corner shown early at step " << s;
        }
        previous = r;
    }
    EXPECT_TRUE(p.regionAt(1, size).isEmpty()); // first region: nothing yet
}

TEST(SkinAnimation, EmptyRegionHidesTheWindowInsteadOfRemovingTheMask)
{
    // Qt treats an empty mask as no mask at all, which would flash the whole
    // popup on its first and last steps.
    QWidget window;
    window.resize(205, 103);
    SkinnedWindow skin(&window, SkinProfile::messagePopup());
    skin.startReveal();
    EXPECT_TRUE(skin.region().isEmpty());
    EXPECT_FALSE(window.mask().isEmpty());
    EXPECT_TRUE((window.mask() & QRegion(window.rect())).isEmpty());
}
