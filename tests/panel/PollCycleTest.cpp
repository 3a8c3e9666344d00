// The poll's rules on a scripted indicator: lamps, identification, faces, the I/O hook,
// connecting and releasing, and the suspension rule.
#include "panel/PollCycle.h"
#include "FakeIndicator.h"
#include "link/Link.h"
#include "panel/DigitPanel.h"
#include "panel/FrontPanel.h"
#include "panel/PollSuspend.h"
#include "panel/SvgPicture.h"
#include "settings/SettingsValues.h"
#include "support/WaitFor.h"

#include <QLabel>
#include <gtest/gtest.h>

namespace korvel {
namespace {

using test::FakeIndicator;

constexpr std::uint8_t kAllStatusBits = 0xFE;

class PollCycleTest : public ::testing::Test
{
protected:
    PollCycleTest() : link(port, clock, settings), poll(link, settings, panel)
    {
        port.ident = {123, 21, 5, 7}; // model 21, serial 05 07 123
        port.display.fill(0xD7);      // all "0"
    }

    void tick() { poll.TimerOprosaPriboraTimer(); }
    bool lamp(Lamp l) const { return panel.lampVisible(l); }
    bool anyDoserLamp() const
    {
        return lamp(Lamp::Doz1) || lamp(Lamp::Doz2) || lamp(Lamp::Doz3) || lamp(Lamp::Doz4);
    }
    QString label() const { return panel.laKorvelVersiya()->text(); }

    FakeIndicator port;
    test::VirtualClock clock;
    Uperemen settings;
    Link link;
    FrontPanel panel;
    PollCycle poll;
};

TEST_F(PollCycleTest, LampsFollowTheStatusByte)
{
    port.display[0] = STATUS_STABLE | STATUS_ZERO | 0x01;
    tick();
    EXPECT_TRUE(lamp(Lamp::Data));
    EXPECT_TRUE(lamp(Lamp::Stab));
    EXPECT_FALSE(lamp(Lamp::Tare));
    EXPECT_TRUE(lamp(Lamp::Zero));

    port.display[0] = STATUS_TARE;
    tick();
    EXPECT_FALSE(lamp(Lamp::Stab));
    EXPECT_TRUE(lamp(Lamp::Tare));
    EXPECT_FALSE(lamp(Lamp::Zero));
    EXPECT_EQ(poll.LampBit, poll.LampShown);
}

TEST_F(PollCycleTest, PlainModelNeverShowsDoserLamps)
{
    port.ident[1] = 19;
    port.display[0] = kAllStatusBits;
    for (int i = 0; i < 3; ++i)
        tick();
    EXPECT_EQ(label(), "KORVEL 19   № 0507123");
    EXPECT_TRUE(lamp(Lamp::Stab) && lamp(Lamp::Tare) && lamp(Lamp::Zero));
    EXPECT_FALSE(anyDoserLamp());
    EXPECT_EQ(panel.face(), Face::Simple);

    // A model byte of 128 and above reads as negative: a plain indicator as well.
    port.ident[1] = 200;
    port.silent = true;
    tick();
    port.silent = false;
    tick();
    tick();
    EXPECT_EQ(label(), "KORVEL 200   № 0507123");
    EXPECT_FALSE(anyDoserLamp());
}

TEST_F(PollCycleTest, DoserLampsFollowTheirBitsOnceTheModelIsKnown)
{
    port.display[0] = STATUS_DOZ1 | STATUS_DOZ3;
    tick(); // the model is read at the end of this tick
    EXPECT_FALSE(anyDoserLamp());
    EXPECT_EQ(panel.face(), Face::Doser);
    EXPECT_EQ(poll.FaceName, "Дозатор");
    tick();
    EXPECT_TRUE(lamp(Lamp::Doz1));
    EXPECT_FALSE(lamp(Lamp::Doz2));
    EXPECT_TRUE(lamp(Lamp::Doz3));
    EXPECT_FALSE(lamp(Lamp::Doz4));

    port.silent = true; // link lost: every lamp goes dark
    tick();
    EXPECT_FALSE(anyDoserLamp());
    EXPECT_FALSE(lamp(Lamp::Data));
}

TEST_F(PollCycleTest, PlainIndicatorAfterADoserGetsThePlainFaceBack)
{
    port.display[0] = kAllStatusBits;
    tick();
    tick();
    ASSERT_EQ(panel.face(), Face::Doser);
    ASSERT_TRUE(lamp(Lamp::Doz4));

    port.silent = true; // swap the indicator
    tick();
    tick();
    port.silent = false;
    port.ident = {1, 3, 2, 2};
    tick();
    EXPECT_EQ(label(), "KORVEL 03   № 0202001");
    EXPECT_EQ(panel.face(), Face::Simple);
    EXPECT_EQ(poll.FaceName, "Простой прибор");
    tick();
    EXPECT_FALSE(anyDoserLamp());
}

TEST_F(PollCycleTest, IdentificationIsRetriedUntilItAnswersAndThenLeftAlone)
{
    port.identSilent = true;
    for (int i = 0; i < 3; ++i)
        tick();
    EXPECT_EQ(port.readsOf(REG_IDENT), 3);
    EXPECT_TRUE(label().isEmpty());
    EXPECT_EQ(panel.face(), Face::Simple);

    port.identSilent = false;
    tick();
    EXPECT_EQ(label(), "KORVEL 21   № 0507123");
    tick();
    tick();
    EXPECT_EQ(port.readsOf(REG_IDENT), 4);
}

TEST_F(PollCycleTest, EmptiedLabelIsFilledAgainForTheSameIndicator)
{
    tick();
    ASSERT_FALSE(label().isEmpty());

    poll.ClearVersionLabel(); // as the settings dialog does
    tick();
    EXPECT_EQ(label(), "KORVEL 21   № 0507123");

    // One lost display read while the identification still answers: the label is emptied
    // and, as the same indicator answers, filled again at once.
    port.displaySilent = true;
    tick();
    EXPECT_EQ(panel.row2Digit(9)->caption(), "н");
    EXPECT_EQ(label(), "KORVEL 21   № 0507123");
}

TEST_F(PollCycleTest, InOutPanelIsReadOnlyWhileOpen)
{
    bool open = false;
    std::vector<std::pair<int, int>> updates;
    poll.hooks.PanelInOutOpen = [&] { return open; };
    poll.hooks.UpdateInOutImages = [&](std::uint8_t in, std::uint8_t out) {
        updates.push_back({in, out});
    };
    port.dio = {0x15, 0xA0};
    tick();
    tick();
    EXPECT_EQ(port.readsOf(REG_DIO), 0);

    open = true;
    tick();
    EXPECT_EQ(port.readsOf(REG_DIO), 1);
    EXPECT_EQ(updates, (std::vector<std::pair<int, int>>{{0x15, 0xA0}}));

    port.silent = true; // a failed read leaves the panel alone
    tick();
    EXPECT_EQ(updates.size(), 1u);
}

TEST_F(PollCycleTest, TickRestartsTheTimerAtThePollInterval)
{
    settings.PollInterval = 500;
    port.silent = true;
    tick();
    EXPECT_TRUE(poll.pollingEnabled());
    EXPECT_EQ(poll.TimerOprosaPribora.interval(), 500);
}

TEST_F(PollCycleTest, ConnectOpensUnlocksAndStartsPolling)
{
    int messages = 0, raised = 0;
    poll.hooks.showMessage = [&](const QString& text) {
        EXPECT_TRUE(text.isEmpty()); // the popup's default text
        ++messages;
    };
    poll.hooks.bringToFront = [&] { ++raised; };

    settings.CommName = "COM12";
    poll.hooks.openPort = [] { return false; };
    EXPECT_FALSE(poll.ConnectIndicator());
    EXPECT_FALSE(poll.pollingEnabled());
    EXPECT_TRUE(port.requests.empty());
    EXPECT_EQ(panel.row1Digit(3)->caption(), "1");
    EXPECT_EQ(panel.row2Digit(1)->caption(), "т");

    poll.hooks.openPort = [] { return true; };
    EXPECT_TRUE(poll.ConnectIndicator());
    EXPECT_TRUE(poll.pollingEnabled());
    ASSERT_EQ(port.writes().size(), 1u);
    EXPECT_EQ(port.writes()[0].first, 1);
    EXPECT_EQ(port.writes()[0].reg, REG_COMMAND);
    EXPECT_EQ(port.writes()[0].value, CMD_KEYBOARD_UNLOCK);
    EXPECT_EQ(messages, 0);

    port.nackWrites = true; // not acknowledged: popup, front, and polling all the same
    poll.disablePolling();
    EXPECT_TRUE(poll.ConnectIndicator());
    EXPECT_EQ(messages, 1);
    EXPECT_EQ(raised, 1);
    EXPECT_TRUE(poll.pollingEnabled());
}

// A pulled-out adapter: нет связи with no traffic and no popup while it is away, a quiet
// reopen of the same port at each tick, and at the first tick it is back the keyboard unlock
// and the display in the same tick.
TEST_F(PollCycleTest, PulledOutAdapterIsReopenedQuietlyAtEachTick)
{
    int messages = 0, unlocked = 0;
    std::vector<std::size_t> reopenedAfterRequests;
    poll.hooks.showMessage = [&](const QString&) { ++messages; };
    poll.hooks.keyboardUnlocked = [&] { ++unlocked; };
    poll.hooks.reopened = [&] { reopenedAfterRequests.push_back(port.requests.size()); };
    port.display[0] = STATUS_STABLE;
    tick();
    tick();
    ASSERT_TRUE(lamp(Lamp::Stab));
    ASSERT_FALSE(label().isEmpty());

    port.pullOut();
    port.requests.clear();
    const int opensBefore = port.opens;
    for (int i = 0; i < 3; ++i)
        tick();
    EXPECT_EQ(port.opens - opensBefore, 3) << "one quiet attempt per tick";
    EXPECT_TRUE(port.requests.empty());
    EXPECT_EQ(panel.row2Digit(9)->caption(), "н");
    EXPECT_FALSE(lamp(Lamp::Data));
    EXPECT_FALSE(lamp(Lamp::Stab));
    EXPECT_TRUE(label().isEmpty());
    EXPECT_TRUE(poll.pollingEnabled());
    EXPECT_EQ(unlocked, 0);

    port.plugIn();
    tick();
    ASSERT_GE(port.requests.size(), 2u);
    EXPECT_EQ(port.requests[0].reg, REG_COMMAND);
    EXPECT_EQ(port.requests[0].value, CMD_KEYBOARD_UNLOCK);
    EXPECT_EQ(port.requests[1].reg, REG_DISPLAY);
    EXPECT_EQ(unlocked, 1);
    EXPECT_EQ(reopenedAfterRequests, std::vector<std::size_t>{0}) << "told before anything is sent";
    EXPECT_TRUE(lamp(Lamp::Data));
    EXPECT_TRUE(lamp(Lamp::Stab));
    EXPECT_EQ(label(), "KORVEL 21   № 0507123");
    EXPECT_EQ(messages, 0);

    // Back for good: later ticks neither reopen nor unlock again.
    const int opensAfter = port.opens;
    tick();
    EXPECT_EQ(port.opens, opensAfter);
    EXPECT_EQ(port.writes().size(), 1u);
}

TEST_F(PollCycleTest, ReleaseHandsTheIndicatorBackOnlyWhilePolling)
{
    int cleared = 0;
    poll.hooks.clearOutputsTakenOver = [&] { ++cleared; };
    settings.AdrPribor = 5;

    poll.ReleaseIndicator(); // polling off (e.g. the chart is shown): nothing is sent
    EXPECT_TRUE(port.requests.empty());
    EXPECT_EQ(cleared, 0);

    poll.enablePolling();
    poll.ReleaseIndicator();
    EXPECT_FALSE(poll.pollingEnabled());
    const auto w = port.writes();
    ASSERT_EQ(w.size(), 2u);
    EXPECT_EQ(w[0].first, 5);
    EXPECT_EQ(w[0].reg, REG_COMMAND);
    EXPECT_EQ(w[0].value, CMD_KEYBOARD_UNLOCK);
    EXPECT_EQ(w[1].reg, REG_OUTPUT_CONTROL);
    EXPECT_EQ(w[1].value, 0);
    EXPECT_EQ(cleared, 1);
}

TEST_F(PollCycleTest, SuspensionsShareOneByteAndDoNotNest)
{
    poll.enablePolling();
    {
        PollSuspend outer(poll);
        EXPECT_FALSE(poll.pollingEnabled());
        {
            PollSuspend inner(poll); // saves "off" over the outer feature's "on"
            EXPECT_FALSE(inner.wasEnabled());
        }
        EXPECT_FALSE(poll.pollingEnabled());
        EXPECT_EQ(poll.PollWasEnabled, 0);
    }
    EXPECT_FALSE(poll.pollingEnabled()); // the outer one finds "off" in the shared byte

    // A suspension that starts with polling off leaves it off.
    {
        PollSuspend s(poll);
    }
    EXPECT_FALSE(poll.pollingEnabled());

    // A pause with its own state leaves the shared byte alone.
    poll.enablePolling();
    poll.suspendPolling(); // e.g. chart mode
    ASSERT_EQ(poll.PollWasEnabled, 1);
    {
        PollSuspend click(poll, PollSuspend::OwnState);
        EXPECT_FALSE(click.wasEnabled());
    }
    EXPECT_FALSE(poll.pollingEnabled());
    poll.resumePolling();
    EXPECT_TRUE(poll.pollingEnabled());
}

// A port that is not there (an adapter not plugged in yet): opening it fails as a missing
// port, not as a lost one.
class AbsentPort : public FakeIndicator
{
public:
    bool absent = true;
    PortOpenResult open(const std::string& name, int baud, int timeoutMs) override
    {
        if (!absent) {
            return FakeIndicator::open(name, baud, timeoutMs);
        }
        ++opens;
        return {PortOpenStatus::NotFound, 2};
    }
};

// The port would not open at the start: its state on the display and no ticks, the port tried
// quietly meanwhile (no popup, nothing sent), a feature that pauses the poll brings the
// waiting back, and once the port opens the keyboard unlock and the display read follow.
TEST(PollCycleWaiting, APortThatWouldNotOpenIsTriedQuietlyUntilItOpens)
{
    AbsentPort port;
    test::VirtualClock clock;
    Uperemen settings;
    settings.CommName = "COM12";
    Link link(port, clock, settings);
    FrontPanel panel;
    PollCycle poll(link, settings, panel);
    int messages = 0, unlocked = 0;
    poll.hooks.showMessage = [&](const QString&) { ++messages; };
    poll.hooks.keyboardUnlocked = [&] { ++unlocked; };
    poll.hooks.openPort = [&] { return port.open("COM12", 9600, 200).status == PortOpenStatus::Ok; };
    port.close();

    EXPECT_FALSE(poll.ConnectIndicator());
    EXPECT_FALSE(poll.pollingEnabled());
    EXPECT_TRUE(poll.waitingForPort());
    EXPECT_EQ(panel.row1Digit(3)->caption(), "1");
    EXPECT_EQ(panel.row2Digit(6)->caption(), "о") << "не открыт";

    {
        PollSuspend feature(poll);
        EXPECT_FALSE(poll.waitingForPort()) << "the feature has the link";
    }
    EXPECT_TRUE(poll.waitingForPort());
    {
        PollSuspend click(poll, PollSuspend::OwnState);
        EXPECT_TRUE(click.wasEnabled());
    }
    EXPECT_TRUE(poll.waitingForPort());

    poll.TimerPortRetry.start(1);
    const int opens = port.opens;
    ASSERT_TRUE(test::waitFor([&] { return port.opens >= opens + 3; }, 3000));
    EXPECT_TRUE(poll.waitingForPort());
    EXPECT_FALSE(poll.pollingEnabled());
    EXPECT_TRUE(port.requests.empty());
    EXPECT_EQ(panel.row2Digit(6)->caption(), "о");

    port.absent = false;
    ASSERT_TRUE(test::waitFor([&] { return poll.pollingEnabled(); }, 3000));
    EXPECT_FALSE(poll.waitingForPort());
    ASSERT_GE(port.requests.size(), 2u);
    EXPECT_EQ(port.requests[0].reg, REG_COMMAND);
    EXPECT_EQ(port.requests[0].value, CMD_KEYBOARD_UNLOCK);
    EXPECT_EQ(port.requests[1].reg, REG_DISPLAY) << "a tick at once";
    EXPECT_EQ(unlocked, 1);
    EXPECT_TRUE(panel.lampVisible(Lamp::Data));
    EXPECT_EQ(messages, 0);
}

} // namespace
} // namespace korvel
