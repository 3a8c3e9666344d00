// The keypad on the real face: clicks go to whatever control is under the pointer, as
// they would on screen, and the writes reach a scripted port on virtual time.
#include "ScriptedPort.h"

#include "link/DeviceMap.h"
#include "link/Link.h"
#include "panel/FrontPanel.h"
#include "panel/KeyTable.h"
#include "panel/Keypad.h"
#include "panel/PollCycle.h"
#include "panel/SvgPicture.h"
#include "settings/SettingsValues.h"

#include "support/WaitFor.h"
#include <QCheckBox>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

namespace korvel {
namespace {

using test::ScriptedPort;
using W = ScriptedPort::Write;

W arg(std::uint8_t mask)
{
    return {1, REG_ARGUMENT, mask};
}
W cmd(std::uint8_t value)
{
    return {1, REG_COMMAND, value};
}

bool waitFor(const std::function<bool()>& pred, int boundMs = 3000)
{
    return korvel::test::waitFor(pred, boundMs);
}

const KeyDef& keyDef(const QString& caption)
{
    for (const KeyDef& k : keyTable())
        if (caption == QLatin1String(k.caption))
            return k;
    throw std::runtime_error("no such key");
}

// The centre of a key's hit rectangle, in MainImage coordinates.
QPoint centreOf(const QString& caption)
{
    const KeyDef& k = keyDef(caption);
    return {(k.hitLeft + k.hitRight) / 2, (k.hitTop + k.hitBottom) / 2};
}

// Hands presses on the face to the keypad, as the main window does.
class FaceRouter : public QObject
{
public:
    explicit FaceRouter(Keypad& keypad) : keypad_(keypad) {}
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() != QEvent::MouseButtonPress)
            return false;
        auto* e = static_cast<QMouseEvent*>(event);
        keypad_.MainImageMouseDown(e->button(), e->modifiers(), e->position().toPoint(), true);
        return true;
    }

private:
    Keypad& keypad_;
};

class KeypadWidget : public ::testing::Test
{
protected:
    void SetUp() override
    {
        panel.MainImage()->installEventFilter(&router);
        keypad.showMessage = [this] { ++messages; };
        keypad.startDrag = [this](QPoint p) { drags.push_back(p); };
        keypad.attachLockBox(&lockBox, &sink);
        port.onRequest = [this] { pollingDuringRequests.push_back(poll.pollingEnabled()); };
        panel.show();
        poll.enablePolling();
    }

    // A click at a point of the face (MainImage coordinates) on the control that is on top
    // there: a key drawn pressed covers the face.
    void clickFace(QPoint imagePos, Qt::KeyboardModifiers mods = {},
                   Qt::MouseButton button = Qt::LeftButton)
    {
        const QPoint inPanel = imagePos - QPoint(0, 8);
        QWidget* target = panel.MainPanel()->childAt(inPanel);
        ASSERT_NE(target, nullptr);
        QTest::mouseClick(target, button, mods, target->mapFrom(panel.MainPanel(), inPanel));
    }
    void clickKey(const QString& caption, Qt::KeyboardModifiers mods = {})
    {
        clickFace(centreOf(caption), mods);
    }
    bool shown(const QString& caption) const { return panel.keyPicture(caption)->isVisible(); }
    bool anyShown() const
    {
        for (const KeyDef& k : keyTable())
            if (shown(QLatin1String(k.caption)))
                return true;
        return false;
    }
    bool waitUntilAllHidden()
    {
        return waitFor([this] { return !anyShown(); });
    }

    ScriptedPort port;
    test::VirtualClock clock;
    Uperemen settings;
    Link link{port, clock, settings};
    FrontPanel panel;
    PollCycle poll{link, settings, panel};
    Keypad keypad{link, poll, panel};
    FaceRouter router{keypad};
    QCheckBox lockBox;
    QPushButton sink;

    int messages = 0;
    std::vector<QPoint> drags;
    std::vector<bool> pollingDuringRequests;
};

TEST_F(KeypadWidget, ClickOnKey5PressesItAndShowsItForAMoment)
{
    clickKey("5");

    EXPECT_EQ(port.writes, (std::vector<W>{arg(0x02), cmd(CMD_KEYS_A)}));
    EXPECT_EQ(messages, 0);
    EXPECT_TRUE(drags.empty());
    EXPECT_TRUE(shown("5"));
    EXPECT_TRUE(keypad.TimerViewPressKeys.isActive());
    for (bool polling : pollingDuringRequests)
        EXPECT_FALSE(polling) << "the poll must be paused while the key is sent";
    EXPECT_TRUE(poll.pollingEnabled());

    ASSERT_TRUE(waitUntilAllHidden());
    EXPECT_FALSE(keypad.TimerViewPressKeys.isActive());
    EXPECT_EQ(port.writes.size(), 2u);
}

// Ctrl-clicked keys stay drawn pressed and send nothing until a plain click sends the chord.
TEST_F(KeypadWidget, ChordCollectedWithCtrlIsSentByThePlainClick)
{
    clickKey("1", Qt::ControlModifier);
    clickKey("4", Qt::ControlModifier);
    EXPECT_TRUE(port.writes.empty());
    ASSERT_TRUE(waitFor([this] { return !keypad.TimerViewPressKeys.isActive(); }));
    EXPECT_TRUE(shown("1"));
    EXPECT_TRUE(shown("4"));

    clickKey("2");
    EXPECT_EQ(port.writes,
              (std::vector<W>{arg(0x01), cmd(CMD_KEYS_A), arg(0x03), cmd(CMD_KEYS_B)}));
    ASSERT_TRUE(waitUntilAllHidden());
}

TEST_F(KeypadWidget, ClickOnAPressedPictureTakesTheKeyOutOfTheChord)
{
    clickKey("1", Qt::ControlModifier);
    clickKey("1"); // lands on the picture of 1, which now covers the key
    EXPECT_FALSE(shown("1"));
    EXPECT_FALSE(keypad.chord().anyPending());

    clickKey("3");
    EXPECT_EQ(port.writes, (std::vector<W>{arg(0x04), cmd(CMD_KEYS_B)}));
}

// A quick second click on a key lands on its picture while the single press is still drawn.
// The key was never collected, so the chord must stay as it was.
TEST_F(KeypadWidget, SecondClickOnAKeyJustPressedLeavesTheChordAlone)
{
    clickKey("5");
    ASSERT_TRUE(shown("5"));
    clickKey("5");
    EXPECT_FALSE(keypad.chord().anyPending());

    clickKey("7", Qt::ControlModifier);
    clickKey("8", Qt::ControlModifier);
    clickKey("9");
    EXPECT_EQ(port.writes,
              (std::vector<W>{arg(0x02), cmd(CMD_KEYS_A), arg(0x70), cmd(CMD_KEYS_A)}));
    EXPECT_FALSE(keypad.chord().anyPending());
}

// Also checks every key's place: each centre hits its own key and shows its own picture.
TEST_F(KeypadWidget, SixteenCtrlClicksPressEveryKey)
{
    for (std::size_t i = 0; i + 1 < keyTable().size(); ++i) {
        const QString caption = QLatin1String(keyTable()[i].caption);
        clickKey(caption, Qt::ControlModifier);
        EXPECT_TRUE(shown(caption)) << caption.toStdString();
    }
    EXPECT_TRUE(port.writes.empty());
    EXPECT_EQ(keypad.chord().pendingMask(KeyGroup::A), 0xFF);
    EXPECT_EQ(keypad.chord().pendingMask(KeyGroup::B), 0x7F);

    clickKey("_0_", Qt::ControlModifier);
    EXPECT_EQ(port.writes,
              (std::vector<W>{arg(0xFF), cmd(CMD_KEYS_A), arg(0xFF), cmd(CMD_KEYS_B)}));
    ASSERT_TRUE(waitUntilAllHidden());
}

TEST_F(KeypadWidget, ClicksThatPressNothing)
{
    struct Case
    {
        const char* what;
        QPoint pos;
        Qt::MouseButton button;
        bool drags;
    };
    const Case cases[] = {
        {"between keys 1 and 2", {369, 80}, Qt::LeftButton, false},
        {"left of the key field", {300, 80}, Qt::LeftButton, true},
        {"right button on key 5", centreOf("5"), Qt::RightButton, false},
        {"right button beside the keys", {300, 200}, Qt::RightButton, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        drags.clear();
        clickFace(c.pos, {}, c.button);
        EXPECT_TRUE(port.writes.empty());
        EXPECT_FALSE(anyShown());
        EXPECT_FALSE(keypad.TimerViewPressKeys.isActive());
        EXPECT_TRUE(poll.pollingEnabled());
        if (c.drags)
            EXPECT_EQ(drags, std::vector<QPoint>{c.pos});
        else
            EXPECT_TRUE(drags.empty());
    }
}

// An unacknowledged write is reported once and not repeated; the rest of the press is dropped.
TEST_F(KeypadWidget, FailedWriteShowsTheMessageOnceAndIsNotRepeated)
{
    struct Case
    {
        const char* what;
        std::vector<std::size_t> unanswered;
        std::vector<W> sent;
    };
    const std::vector<Case> cases = {
        {"argument", {0}, {arg(0x02)}},
        {"command", {1}, {arg(0x02), cmd(CMD_KEYS_A)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        port.writes.clear();
        port.unansweredWrites = c.unanswered;
        messages = 0;
        clickKey("5");
        EXPECT_EQ(port.writes, c.sent);
        EXPECT_EQ(messages, 1);
        EXPECT_TRUE(poll.pollingEnabled());
        ASSERT_TRUE(waitUntilAllHidden());
        EXPECT_EQ(port.writes, c.sent);
    }
}

TEST_F(KeypadWidget, FailedChordStopsAtTheFirstFailureAndIsLost)
{
    clickKey("1", Qt::ControlModifier);
    clickKey("4", Qt::ControlModifier);
    port.unansweredWrites = {1};
    clickKey("2");
    EXPECT_EQ(port.writes, (std::vector<W>{arg(0x01), cmd(CMD_KEYS_A)}));
    EXPECT_EQ(messages, 1);
    EXPECT_FALSE(keypad.chord().anyPending());
    ASSERT_TRUE(waitUntilAllHidden());
}

// The face keeps its own saved poll state, so a click while another feature holds the poll
// (the chart) neither restarts polling nor touches the shared PollWasEnabled.
TEST_F(KeypadWidget, ClickKeepsItsOwnPollState)
{
    struct Case
    {
        bool pollingBefore;
        std::uint8_t sharedBefore;
    };
    for (const Case c : {Case{false, 1}, Case{true, 0}, Case{false, 0}}) {
        SCOPED_TRACE(testing::Message()
                     << "polling " << c.pollingBefore << ", shared " << int(c.sharedBefore));
        if (c.pollingBefore)
            poll.enablePolling();
        else
            poll.disablePolling();
        poll.PollWasEnabled = c.sharedBefore;
        pollingDuringRequests.clear();
        port.writes.clear();

        clickKey("5");
        EXPECT_EQ(port.writes.size(), 2u);
        EXPECT_EQ(pollingDuringRequests, std::vector<bool>(2, false));
        EXPECT_EQ(poll.pollingEnabled(), c.pollingBefore);
        EXPECT_EQ(poll.PollWasEnabled, c.sharedBefore);
        ASSERT_TRUE(waitUntilAllHidden());
    }
}

TEST_F(KeypadWidget, LockBoxLocksAndUnlocksTheKeyboard)
{
    lockBox.click();
    EXPECT_TRUE(lockBox.isChecked());
    lockBox.click();
    EXPECT_FALSE(lockBox.isChecked());
    EXPECT_EQ(port.writes, (std::vector<W>{cmd(CMD_KEYBOARD_LOCK), cmd(CMD_KEYBOARD_UNLOCK)}));
    EXPECT_EQ(messages, 0);
    EXPECT_EQ(pollingDuringRequests, std::vector<bool>(2, false));
    EXPECT_TRUE(poll.pollingEnabled());
}

// A reconnect unlocked the indicator's keyboard: the box says so, nothing is sent, and the
// next click locks again.
TEST_F(KeypadWidget, KeyboardUnlockedElsewhereClearsTheBoxQuietly)
{
    lockBox.click();
    ASSERT_TRUE(lockBox.isChecked());
    port.writes.clear();
    keypad.keyboardUnlocked();
    EXPECT_FALSE(lockBox.isChecked());
    EXPECT_TRUE(port.writes.empty());
    lockBox.click();
    EXPECT_EQ(port.writes, std::vector<W>{cmd(CMD_KEYBOARD_LOCK)});
}

// Refused by a silent indicator: one message, one write, and the box shows the old state.
TEST_F(KeypadWidget, LockRefusedRevertsTheBoxWithoutASecondWrite)
{
    for (bool startChecked : {false, true}) {
        SCOPED_TRACE(startChecked ? "unlocking" : "locking");
        port.silent = false;
        lockBox.setChecked(startChecked);
        port.writes.clear();
        messages = 0;

        port.silent = true;
        lockBox.click();
        EXPECT_EQ(lockBox.isChecked(), startChecked);
        EXPECT_EQ(port.writes,
                  std::vector<W>{cmd(startChecked ? CMD_KEYBOARD_UNLOCK : CMD_KEYBOARD_LOCK)});
        EXPECT_EQ(messages, 1);
        EXPECT_TRUE(poll.pollingEnabled());
    }
}

// The lock box follows the shared rule: PollWasEnabled is what it found, and polling comes
// back only if it ran before.
TEST_F(KeypadWidget, LockBoxSavesThePollStateInPollWasEnabled)
{
    for (bool pollingBefore : {true, false}) {
        SCOPED_TRACE(pollingBefore ? "polling" : "not polling");
        if (pollingBefore)
            poll.enablePolling();
        else
            poll.disablePolling();
        poll.PollWasEnabled = pollingBefore ? 0 : 1;
        pollingDuringRequests.clear();

        lockBox.click();
        EXPECT_EQ(pollingDuringRequests, std::vector<bool>{false});
        EXPECT_EQ(poll.PollWasEnabled, pollingBefore ? 1 : 0);
        EXPECT_EQ(poll.pollingEnabled(), pollingBefore);
    }
}

} // namespace
} // namespace korvel
