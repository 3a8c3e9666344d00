#include "panel/FrontPanel.h"
#include "link/Link.h"
#include "panel/DigitPanel.h"
#include "panel/PanelArt.h"
#include "panel/PointShape.h"
#include "panel/Rendering.h"
#include "panel/SvgPicture.h"

#include <QImage>
#include <QLabel>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <vector>

namespace korvel {
namespace {

// The lit green inside one rectangle of a grab, as blobs of consecutive lit rows (top to
// bottom), each with the rows and columns it spans, relative to the rectangle. A pixel counts as
// lit when it is nearer the digits' green than the grey behind them (edges split at half).
struct Blob
{
    int top = -1;
    int bottom = -1;
    int left = INT_MAX;
    int right = -1;
    int thickness() const { return bottom - top + 1; }
};

std::vector<Blob> inkIn(const QImage& image, const QRect& r)
{
    std::vector<Blob> blobs;
    bool inBlob = false;
    for (int y = 0; y < r.height(); ++y) {
        bool lit = false;
        for (int x = 0; x < r.width(); ++x) {
            if (qBlue(image.pixel(r.left() + x, r.top() + y)) >= 90)
                continue;
            if (!lit && !inBlob) {
                blobs.emplace_back();
                blobs.back().top = y;
            }
            lit = inBlob = true;
            blobs.back().bottom = y;
            blobs.back().left = std::min(blobs.back().left, x);
            blobs.back().right = std::max(blobs.back().right, x);
        }
        inBlob = lit;
    }
    return blobs;
}

class FrontPanelTest : public ::testing::Test
{
protected:
    FrontPanel panel;

    DigitPanel& d1(int n) { return *panel.row1Digit(n); }
    DigitPanel& d2(int n) { return *panel.row2Digit(n); }
    QStringList row1() const
    {
        QStringList r;
        for (int n = 6; n >= 1; --n)
            r << panel.row1Digit(n)->caption();
        return r;
    }
    QStringList row2() const
    {
        QStringList r;
        for (int n = 9; n >= 1; --n)
            r << panel.row2Digit(n)->caption();
        return r;
    }
    int pointsLit() const
    {
        int lit = 0;
        for (int n = 1; n <= 6; ++n)
            lit += panel.row1Digit(n)->point()->lit();
        for (int n = 1; n <= 9; ++n)
            lit += panel.row2Digit(n)->point()->lit();
        return lit;
    }
};

TEST_F(FrontPanelTest, ControlsCarryTheirNamesAndPlaces)
{
    EXPECT_EQ(panel.size(), QSize(555, 398));
    EXPECT_EQ(panel.MainImage()->geometry(), QRect(0, -8, 577, 414));
    EXPECT_EQ(panel.findChild<DigitPanel*>("Panel6Ind1")->geometry(), QRect(41, 57, 39, 57));
    EXPECT_EQ(panel.findChild<DigitPanel*>("Panel1Ind2")->geometry(), QRect(224, 139, 23, 42));
    EXPECT_EQ(panel.findChild<PointShape*>("sh9Ind2")->geometry(), QRect(16, 32, 7, 8));
    EXPECT_EQ(panel.findChild<PointShape*>("sh7Ind2")->geometry(), QRect(15, 32, 7, 7));
    EXPECT_EQ(panel.findChild<SvgPicture*>("imData")->geometry(), QRect(219, 242, 20, 20));
    EXPECT_EQ(panel.findChild<SvgPicture*>("imDoz4")->geometry(), QRect(219, 212, 20, 20));
    EXPECT_EQ(panel.findChild<SvgPicture*>("imKlavisha_0_")->geometry(), QRect(482, 217, 55, 55));
    for (const char* name : {"laKorvelVersiya", "la6Ind1Up", "Panel1", "Panel2", "Panel3", "MainPanel"})
        EXPECT_NE(panel.findChild<QWidget*>(name), nullptr) << name;
    // At start: blank digits at their design sizes, everything lit is dark.
    EXPECT_EQ(d1(6).caption(), " ");
    EXPECT_EQ(d1(6).fontSize(), ROW1_FONT_PT);
    EXPECT_EQ(d2(9).fontSize(), ROW2_FONT_PT);
    EXPECT_EQ(pointsLit(), 0);
    EXPECT_TRUE(panel.la6Ind1Up()->isHidden());
    EXPECT_TRUE(panel.laKorvelVersiya()->text().isEmpty());
    for (int l = 0; l <= static_cast<int>(Lamp::Data); ++l)
        EXPECT_FALSE(panel.lampVisible(static_cast<Lamp>(l)));
}

TEST_F(FrontPanelTest, DecodeSegmentsSwitchesThePoint)
{
    PointShape& sh = *d2(3).point();
    EXPECT_EQ(DecodeSegments(0xFF, sh), "8");
    EXPECT_TRUE(sh.lit());
    EXPECT_EQ(DecodeSegments(0x20, sh), " ");
    EXPECT_TRUE(sh.lit());
    EXPECT_EQ(DecodeSegments(0x01, sh), "?");
    EXPECT_FALSE(sh.lit());
}

TEST_F(FrontPanelTest, Row1FontFollowsTheUnderscore)
{
    DigitPanel& d = d1(3);
    ShowRow1Digit(0x40, d, *d.point());
    EXPECT_EQ(d.caption(), "_");
    EXPECT_EQ(d.fontSize(), 30);
    ShowRow1Digit(0x60, d, *d.point()); // "_" with a point keeps the small font
    EXPECT_EQ(d.fontSize(), 30);
    EXPECT_TRUE(d.point()->lit());
    ShowRow1Digit(0x11, d, *d.point());
    EXPECT_EQ(d.caption(), "1");
    EXPECT_EQ(d.fontSize(), 43);
    EXPECT_FALSE(d.point()->lit());
    // Sizes other than the two are left alone.
    d.setFontSize(20);
    ShowRow1Digit(0x40, d, *d.point());
    EXPECT_EQ(d.fontSize(), 20);
}

TEST_F(FrontPanelTest, LeftmostDigitExtraCodes)
{
    DigitPanel& d = d1(6);
    panel.ShowRow1LeftDigit(0xFF); // "8." first, so the extra codes must put the point out
    EXPECT_TRUE(d.point()->lit());

    panel.ShowRow1LeftDigit(0x04); // top bar alone
    EXPECT_EQ(d.caption(), " ");
    EXPECT_FALSE(panel.la6Ind1Up()->isHidden());
    EXPECT_FALSE(d.point()->lit());
    EXPECT_EQ(d.fontSize(), 43);

    panel.ShowRow1LeftDigit(0x44); // top and bottom bars
    EXPECT_EQ(d.caption(), "_");
    EXPECT_EQ(d.fontSize(), 30);
    EXPECT_FALSE(panel.la6Ind1Up()->isHidden());

    panel.ShowRow1LeftDigit(0x04); // the font stays where the bottom bar left it
    EXPECT_EQ(d.caption(), " ");
    EXPECT_EQ(d.fontSize(), 30);

    panel.ShowRow1LeftDigit(0x24); // top bar with a point is no extra code
    EXPECT_EQ(d.caption(), "?");
    EXPECT_TRUE(d.point()->lit());
    EXPECT_TRUE(panel.la6Ind1Up()->isHidden());
    EXPECT_EQ(d.fontSize(), 43);
}

TEST_F(FrontPanelTest, DisplayBytesGoToTheirDigits)
{
    // d1..d15: "1" "2" "3" "4" "5" "6" | "7" "8" "9" "A" "b" "C" "d" "E" "F", point on d6 and d15.
    const std::uint8_t codes[15] = {0x11, 0xCD, 0x5D, 0x1B, 0x5E, 0xDE | 0x20, 0x15, 0xDF,
                                    0x5F, 0x9F, 0xDA, 0xC6, 0xD9, 0xCE, 0x8E | 0x20};
    panel.ShowDisplay(codes);
    EXPECT_EQ(row1(), QStringList({"1", "2", "3", "4", "5", "6"}));
    EXPECT_EQ(row2(), QStringList({"7", "8", "9", "A", "b", "C", "d", "E", "F"}));
    EXPECT_TRUE(d1(1).point()->lit());
    EXPECT_TRUE(d2(1).point()->lit());
    EXPECT_EQ(pointsLit(), 2);
}

TEST_F(FrontPanelTest, TopBarReadsAsSegmentAOfTheLeftmostDigit)
{
    // The bar must start on the row where the neighbours' digits start, and be as thick and
    // as long as a bottom bar "_" of the same size, across the same columns.
    struct Case
    {
        std::uint8_t codes[3]; // Panel6Ind1, Panel5Ind1, Panel4Ind1
        int eightIn;           // the neighbour showing "8"
        int bottomBarIn;       // the digit showing the bottom bar "_"
    };
    const Case cases[] = {
        {{0x04, 0x40, 0xDF}, 4, 5}, // the bottom bar next door
        {{0x44, 0xDF, 0xDF}, 5, 6}, // the bottom bar in the digit itself
    };
    panel.show();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.codes[0]);
        const std::uint8_t codes[15] = {c.codes[0], c.codes[1], c.codes[2]};
        panel.ShowDisplay(codes);
        const QImage image = panel.grab().toImage();
        const std::vector<Blob> eight = inkIn(image, d1(c.eightIn).geometry());
        const std::vector<Blob> self = inkIn(image, d1(6).geometry());
        const std::vector<Blob> withBottomBar = inkIn(image, d1(c.bottomBarIn).geometry());
        ASSERT_EQ(eight.size(), 1u);
        ASSERT_EQ(self.size(), c.codes[0] == 0x04 ? 1u : 2u);
        ASSERT_FALSE(withBottomBar.empty());

        const Blob& bar = self.front();
        const Blob& bottomBar = withBottomBar.back();
        EXPECT_NEAR(bar.top, eight.front().top, 1);
        EXPECT_EQ(bar.thickness(), bottomBar.thickness());
        EXPECT_EQ(bar.left, bottomBar.left);
        EXPECT_EQ(bar.right, bottomBar.right);
    }
}

TEST_F(FrontPanelTest, ZerosAreDrawnWithoutADot)
{
    // A dotted or slashed zero would read as a half-lit middle segment.
    std::uint8_t zeros[15];
    std::fill(std::begin(zeros), std::end(zeros), std::uint8_t{0xD7});
    panel.show();
    panel.ShowDisplay(zeros);
    const QImage image = panel.grab().toImage();
    for (DigitPanel* d : {&d1(3), &d2(5)}) {
        SCOPED_TRACE(d->objectName().toStdString());
        const std::vector<Blob> zero = inkIn(image, d->geometry());
        ASSERT_EQ(zero.size(), 1u);
        // The middle third of the glyph, across and down, is the grey behind it.
        const Blob& z = zero.front();
        const int w = z.right - z.left + 1;
        const QRect middle(d->x() + z.left + w / 3, d->y() + z.top + z.thickness() / 3, w / 3,
                           z.thickness() / 3);
        EXPECT_TRUE(inkIn(image, middle).empty());
    }
}

TEST(DigitPanel, CaptionsSitWhereCourierNewWouldPutThemWhicheverFaceDrawsThem)
{
    // Liberation Mono has Courier New's line metrics; the stand-in chosen for the digits may
    // not. An "8" must stand on the same row either way, clear of the decimal point.
    struct Case
    {
        int pt;
        QRect geometry;
        int pointTop;
    };
    const Case cases[] = {
        {ROW1_FONT_PT, QRect(0, 0, 39, 57), 44},
        {ROW2_FONT_PT, QRect(0, 0, 23, 42), 32},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pt);
        DigitPanel standIn(QStringLiteral("standIn"), c.geometry, c.pt, nullptr);
        DigitPanel courierMetrics(QStringLiteral("courierMetrics"), c.geometry, c.pt, nullptr);
        QFont liberation(QStringLiteral("Liberation Mono"));
        liberation.setBold(true);
        liberation.setPixelSize(PointsToPixels(c.pt));
        courierMetrics.setFont(liberation);
        standIn.setText(QStringLiteral("8"));
        courierMetrics.setText(QStringLiteral("8"));

        const std::vector<Blob> a = inkIn(standIn.grab().toImage(), c.geometry);
        const std::vector<Blob> b = inkIn(courierMetrics.grab().toImage(), c.geometry);
        ASSERT_EQ(a.size(), 1u);
        ASSERT_EQ(b.size(), 1u);
        EXPECT_NEAR(a.front().bottom, b.front().bottom, 1);
        EXPECT_LE(a.front().bottom, c.pointTop);
    }
}

TEST_F(FrontPanelTest, NoLinkAndPortNotOpen)
{
    const std::uint8_t full[15] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                   0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    panel.ShowDisplay(full);
    ASSERT_EQ(pointsLit(), 15);

    panel.ShowNoLink();
    EXPECT_EQ(row1(), QStringList({"", "", "", "", "", ""}));
    EXPECT_EQ(row2(), QStringList({"н", "е", "т", "", "с", "в", "я", "з", "и"}));
    EXPECT_EQ(pointsLit(), 0);

    panel.ShowDisplay(full);
    panel.ShowPortNotOpen("COM12");
    EXPECT_EQ(row1(), QStringList({"C", "O", "M", "1", "", ""}));
    EXPECT_EQ(row2(), QStringList({"н", "е", "", "о", "т", "к", "р", "ы", "т"}));
    EXPECT_EQ(pointsLit(), 0);
}

TEST_F(FrontPanelTest, FaceSwapsTheFacePictureAndFiveKeys)
{
    panel.SetFace(Face::Doser);
    EXPECT_EQ(panel.MainImage()->picture(), PanelArt::facePicture(Face::Doser));
    for (const char* key : {"C", "0", "E", "Print", "F"})
        EXPECT_EQ(panel.keyPicture(key)->picture(), PanelArt::keyPicture(key, Face::Doser)) << key;
    EXPECT_EQ(panel.keyPicture("T")->picture(), PanelArt::keyPicture("T", Face::Simple));
    EXPECT_NE(PanelArt::keyPicture("C", Face::Doser), PanelArt::keyPicture("C", Face::Simple));

    panel.SetFace(Face::Simple);
    panel.SetFace(Face::Simple);
    EXPECT_EQ(panel.MainImage()->picture(), PanelArt::facePicture(Face::Simple));
    EXPECT_EQ(panel.keyPicture("C")->picture(), PanelArt::keyPicture("C", Face::Simple));
}

TEST_F(FrontPanelTest, ArtworkIsCompiledIn)
{
    for (Face f : {Face::Simple, Face::Doser}) {
        panel.SetFace(f);
        EXPECT_TRUE(panel.MainImage()->hasPicture()) << PanelArt::facePicture(f).toStdString();
        for (const char* key : {"1", "Print", "_0_", "C", "0", "E", "F"})
            EXPECT_TRUE(panel.keyPicture(key)->hasPicture()) << key;
    }
    for (int l = 0; l <= static_cast<int>(Lamp::Data); ++l)
        EXPECT_TRUE(panel.lamp(static_cast<Lamp>(l))->hasPicture()) << l;
}

TEST_F(FrontPanelTest, TracePanelsShowAndAClickClearsAll)
{
    panel.show();
    panel.showTrace(TraceLines{"   CRC8    = 10110110  0xB6 (182) - Адр. 81",
                               "   Receive = 00000000  0x00 (0) - Адр. 81  0", "Read 1"});
    for (int n = 1; n <= 3; ++n)
        EXPECT_FALSE(panel.tracePanel(n)->isHidden());
    EXPECT_EQ(panel.tracePanel(1)->text(), "   CRC8    = 10110110  0xB6 (182) - Адр. 81");
    EXPECT_EQ(panel.tracePanel(3)->text(), "Read 1");

    QTest::mouseClick(panel.tracePanel(2), Qt::LeftButton);
    for (int n = 1; n <= 3; ++n) {
        EXPECT_TRUE(panel.tracePanel(n)->isHidden());
        EXPECT_TRUE(panel.tracePanel(n)->text().isEmpty());
    }
}

} // namespace
} // namespace korvel
