#include "panel/FrontPanel.h"
#include "link/Link.h"
#include "panel/DigitPanel.h"
#include "panel/PanelArt.h"
#include "panel/PointShape.h"
#include "panel/Rendering.h"
#include "panel/SvgPicture.h"

#include <QLabel>
#include <QTest>
#include <gtest/gtest.h>

namespace korvel {
namespace {

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
