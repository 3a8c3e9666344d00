// The poll cycle against the simulated indicator over a real pseudo-terminal.
#include "link/Crc8.h"
#include "link/Link.h"
#include "link/PosixSerialPort.h"
#include "panel/DigitPanel.h"
#include "panel/FrontPanel.h"
#include "panel/PointShape.h"
#include "panel/PollCycle.h"
#include "panel/SegmentCode.h"
#include "panel/SvgPicture.h"
#include "settings/SettingsValues.h"
#include "sim/Simulator.h"

#include <QLabel>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

namespace korvel {
namespace {

// Status byte with stable and zero lit and every doser bit set; "-12.345" over "br 1000.0".
constexpr std::array<std::uint8_t, DISPLAY_COUNT> kDisplay = {
    STATUS_STABLE | STATUS_ZERO | STATUS_DOZ1 | STATUS_DOZ2 | STATUS_DOZ3 | STATUS_DOZ4,
    0x08, 0x11, 0xCD | 0x20, 0x5D, 0x1B, 0x5E,              // row 1
    0x00, 0xDA, 0x88, 0x00, 0x11, 0xD7, 0xD7, 0xD7 | 0x20, 0xD7}; // row 2

class PollSimTest : public ::testing::Test
{
protected:
    void SetUp() override { start(21); }

    void start(int model)
    {
        sim::SimOptions o;
        o.model = model;
        o.serial = {5, 7, 123};
        sim = std::make_unique<sim::Simulator>(o);
        std::string error;
        ASSERT_TRUE(sim->start(&error)) << error;
        sim->setDisplay(kDisplay);
        // A short read time-out keeps the silent ticks quick.
        settings.ReadTotalTimeoutConstant = 50;
        ASSERT_EQ(port.open(sim->slavePath(), 9600, settings.ReadTotalTimeoutConstant).status,
                  PortOpenStatus::Ok);
        link = std::make_unique<Link>(port, systemClock(), settings);
        poll = std::make_unique<PollCycle>(*link, settings, panel);
    }

    void tick() { poll->TimerOprosaPriboraTimer(); }
    QString label() const { return panel.laKorvelVersiya()->text(); }
    QString expectedCaption(std::uint8_t code) const
    {
        return QString(QLatin1Char(DecodeSegmentCode(code).text));
    }
    void expectDisplayShown()
    {
        for (int i = 1; i < 6; ++i) // row 1 without its leftmost digit
            EXPECT_EQ(panel.row1Digit(6 - i)->caption(), expectedCaption(kDisplay[1 + i])) << i;
        EXPECT_EQ(panel.row1Digit(6)->caption(), "-");
        for (int i = 0; i < 9; ++i)
            EXPECT_EQ(panel.row2Digit(9 - i)->caption(), expectedCaption(kDisplay[7 + i])) << i;
        EXPECT_TRUE(panel.row1Digit(4)->point()->lit());
        EXPECT_TRUE(panel.row2Digit(2)->point()->lit());
        EXPECT_TRUE(panel.lampVisible(Lamp::Data));
        EXPECT_TRUE(panel.lampVisible(Lamp::Stab));
        EXPECT_FALSE(panel.lampVisible(Lamp::Tare));
        EXPECT_TRUE(panel.lampVisible(Lamp::Zero));
    }
    bool anyLamp() const
    {
        for (int l = 0; l <= static_cast<int>(Lamp::Data); ++l)
            if (panel.lampVisible(static_cast<Lamp>(l)))
                return true;
        return false;
    }

    Uperemen settings;
    FrontPanel panel;
    // The port outlives the link and the poll, the simulator outlives the port.
    std::unique_ptr<sim::Simulator> sim;
    PosixSerialPort port;
    std::unique_ptr<Link> link;
    std::unique_ptr<PollCycle> poll;
};

TEST_F(PollSimTest, FirstTickFillsTheDisplayAndIdentifiesADoser)
{
    tick();
    expectDisplayShown();
    EXPECT_EQ(label(), "KORVEL 21   № 0507123");
    EXPECT_EQ(panel.face(), Face::Doser);
    EXPECT_TRUE(poll->pollingEnabled());

    // The doser lamps come with the next display read, now that the model is known.
    tick();
    EXPECT_TRUE(panel.lampVisible(Lamp::Doz1));
    EXPECT_TRUE(panel.lampVisible(Lamp::Doz4));

    // On the wire: display read, identification read, then display reads only.
    const auto requests = sim->requests();
    ASSERT_EQ(requests.size(), 3u);
    const std::uint8_t display[3] = {0x81, REG_DISPLAY, 15};
    const std::uint8_t ident[3] = {0x81, REG_IDENT, 3};
    EXPECT_EQ(requests[0].bytes, (std::vector<std::uint8_t>{0x81, REG_DISPLAY, 15, Crc8(display, 3)}));
    EXPECT_EQ(requests[1].bytes, (std::vector<std::uint8_t>{0x81, REG_IDENT, 3, Crc8(ident, 3)}));
    EXPECT_EQ(requests[2].bytes[1], REG_DISPLAY);
}

TEST_F(PollSimTest, SilenceShowsNoLinkAndTheReturnRestoresEverything)
{
    tick();
    tick();
    ASSERT_EQ(label(), "KORVEL 21   № 0507123");

    sim::SimFaults silent;
    silent.silent = true;
    sim->setFaults(silent);
    tick();
    tick();
    QStringList row1, row2;
    for (int n = 6; n >= 1; --n)
        row1 << panel.row1Digit(n)->caption();
    for (int n = 9; n >= 1; --n)
        row2 << panel.row2Digit(n)->caption();
    EXPECT_EQ(row1, QStringList({"", "", "", "", "", ""}));
    EXPECT_EQ(row2, QStringList({"н", "е", "т", "", "с", "в", "я", "з", "и"}));
    EXPECT_FALSE(anyLamp());
    EXPECT_TRUE(label().isEmpty());
    EXPECT_TRUE(poll->pollingEnabled());
    EXPECT_EQ(poll->IdentCurrent, (std::array<std::uint8_t, 4>{}));

    sim->setFaults(sim::SimFaults{});
    tick();
    expectDisplayShown();
    EXPECT_EQ(label(), "KORVEL 21   № 0507123");
}

TEST_F(PollSimTest, DigitalIoIsNeverReadWhileItsPanelIsClosed)
{
    poll->hooks.PanelInOutOpen = [] { return false; };
    for (int i = 0; i < 5; ++i)
        tick();
    const auto requests = sim->requests();
    ASSERT_EQ(requests.size(), 6u);
    for (const auto& r : requests) {
        ASSERT_EQ(r.bytes.size(), 4u);
        EXPECT_TRUE(r.crcValid);
        EXPECT_NE(r.bytes[1], REG_DIO);
    }
}

TEST_F(PollSimTest, PlainModelNeverShowsDoserLamps)
{
    sim->setModel(3);
    for (int i = 0; i < 3; ++i)
        tick();
    EXPECT_EQ(label(), "KORVEL 03   № 0507123");
    EXPECT_EQ(panel.face(), Face::Simple);
    EXPECT_TRUE(panel.lampVisible(Lamp::Stab));
    for (Lamp l : {Lamp::Doz1, Lamp::Doz2, Lamp::Doz3, Lamp::Doz4})
        EXPECT_FALSE(panel.lampVisible(l));
}

TEST_F(PollSimTest, AStreamLeftRunningIsStoppedAndTheDisplayComesBack)
{
    // A chart run whose program died: the indicator streams on by itself.
    ASSERT_TRUE(link->DeviceWrite(0x01, REG_COMMAND, CMD_STREAM_START));
    ASSERT_TRUE(sim->streaming());
    QTest::qWait(50); // frames pile up between two ticks
    tick();
    EXPECT_FALSE(sim->streaming());
    const auto stopped = sim->requests();
    ASSERT_GE(stopped.size(), 3u);
    EXPECT_EQ(stopped[1].bytes[1], REG_COMMAND);
    EXPECT_EQ(stopped[1].bytes[2], CMD_STREAM_STOP);
    // Frames still on the line may spoil the stop's acknowledgement, and the link then sends
    // it again; on a slow machine that happens. What follows the stop is the display read.
    std::size_t next = 2;
    while (next < stopped.size() && stopped[next].bytes[1] == REG_COMMAND &&
           stopped[next].bytes[2] == CMD_STREAM_STOP)
        ++next;
    ASSERT_LT(next, stopped.size());
    EXPECT_EQ(stopped[next].bytes[1], REG_DISPLAY);
    tick();
    expectDisplayShown();

    // An indicator that only answers, or late, is never sent the stop.
    const std::size_t mark = sim->requests().size();
    sim::SimFaults late;
    late.replyDelayMs = 120;
    sim->setFaults(late);
    for (int i = 0; i < 3; ++i) {
        tick();
        QTest::qWait(100);
    }
    sim->setFaults(sim::SimFaults{});
    tick();
    tick();
    const auto requests = sim->requests();
    for (std::size_t i = mark; i < requests.size(); ++i)
        EXPECT_NE(requests[i].bytes[1], REG_COMMAND) << i;
}

} // namespace
} // namespace korvel
