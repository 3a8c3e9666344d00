// The real korvel on an X server, clicked like a user would, against korvel-sim. Every
// assertion is about the frames the simulated indicator received.
#include "KorvelRig.h"
#include "link/PosixSerialPort.h"
#include "panel/KeyTable.h"
#include "ui/MessagePopup.h"

#include <QThread>

#include <algorithm>

namespace korvel {
namespace {

using test::KorvelRig;
using Write = KorvelRig::Write;
using Writes = KorvelRig::Writes;

class Desktop : public test::SharedKorvel<Desktop>
{
protected:
    static void SetUpTestSuite()
    {
        sim::SimOptions options;
        options.model = 3;
        startRig({.sim = options});
    }

    // Lets a pressed picture go away before the next click lands on the same place.
    static void settle(int ms = 400) { QThread::msleep(ms); }
};

TEST_F(Desktop, StartsByUnlockingTheKeyboardAndPolls)
{
    const Writes w = rig->waitForWrites(0, 1, 15000);
    ASSERT_FALSE(w.empty()) << "korvel never wrote to the indicator";
    EXPECT_EQ(w.front(), Write(255, 17));
    // The display is being read.
    KorvelRig::waitUntil([] { return rig->mark() >= 3; }, 5000);
    const std::vector<std::uint8_t> displayRead{0x81, 0x2A, 0x0F, 0xF1};
    const auto r = rig->sim().requests();
    EXPECT_TRUE(
        std::any_of(r.begin(), r.end(), [&](const auto& q) { return q.bytes == displayRead; }));
    settle();
}

TEST_F(Desktop, KeyClicksAndChords)
{
    struct Case
    {
        const char* name;
        std::vector<std::pair<const char*, bool>> clicks; // key, with Ctrl
        Writes expected;
    };
    std::vector<std::pair<const char*, bool>> allSixteen;
    for (const KeyDef& k : keyTable())
        allSixteen.emplace_back(k.caption, true);
    const Case cases[] = {
        {"key 5", {{"5", false}}, {{253, 0x02}, {255, 12}}},
        {"Ctrl 1, Ctrl 4, 2",
         {{"1", true}, {"4", true}, {"2", false}},
         {{253, 0x01}, {255, 12}, {253, 0x03}, {255, 13}}},
        {"all sixteen with Ctrl", allSixteen, {{253, 0xFF}, {255, 12}, {253, 0xFF}, {255, 13}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::size_t m = rig->mark();
        for (const auto& [key, ctrl] : c.clicks)
            KorvelRig::clickKey(key, {.ctrl = ctrl});
        EXPECT_EQ(rig->waitForWrites(m, c.expected.size()), c.expected);
        settle();
        EXPECT_EQ(rig->writesSince(m), c.expected) << "more writes than expected";
    }
}

TEST_F(Desktop, AClickBetweenKeysPressesNothing)
{
    const std::size_t m = rig->mark();
    KorvelRig::click({369, 80 - 8});
    settle(800);
    EXPECT_TRUE(rig->writesSince(m).empty());
}

TEST_F(Desktop, LockBoxLocksUnlocksAndRevertsWhenTheIndicatorIsSilent)
{
    const QPoint box{41 + 7, 331 + 8};

    // Silent indicator: one attempt, the popup, the box unchecked again.
    sim::SimFaults silent;
    silent.silent = true;
    rig->sim().setFaults(silent);
    std::size_t m = rig->mark();
    KorvelRig::click(box);
    EXPECT_EQ(rig->waitForWrites(m, 1), (Writes{{255, 16}}));
    settle(2500); // the write times out, then the popup reveals itself
    const TFormMessage::Geometry g = TFormMessage::geometryFor(0, 0, 0);
    const QPoint popup((KorvelRig::kWindow.width() - g.size.width()) / 2,
                       (KorvelRig::kWindow.height() - g.size.height()) / 3);
    KorvelRig::click(popup + g.okButton.center());
    rig->sim().setFaults(sim::SimFaults{});
    settle(1500);
    EXPECT_EQ(rig->writesSince(m), (Writes{{255, 16}})) << "a refused lock is not sent again";

    // The box is unchecked again, so the next click locks, and the one after unlocks.
    m = rig->mark();
    KorvelRig::click(box);
    EXPECT_EQ(rig->waitForWrites(m, 1), (Writes{{255, 16}}));
    settle();
    m = rig->mark();
    KorvelRig::click(box);
    EXPECT_EQ(rig->waitForWrites(m, 1), (Writes{{255, 17}}));
    settle();
}

TEST_F(Desktop, ASecondStartHandsOverAndLeavesOneProcess)
{
    QProcess second;
    rig->startAnother(second);
    ASSERT_TRUE(second.waitForStarted());
    ASSERT_TRUE(second.waitForFinished(10000)) << "the second copy kept running";
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(rig->process().state(), QProcess::Running);
}

TEST_F(Desktop, ClosingHandsTheIndicatorBackAndReleasesThePort)
{
    const std::size_t m = rig->mark();
    KorvelRig::click(KorvelRig::kCloseButton);
    ASSERT_TRUE(rig->process().waitForFinished(10000)) << "korvel did not exit";
    EXPECT_EQ(rig->process().exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(rig->process().exitCode(), 0);
    EXPECT_EQ(rig->writesSince(m), (Writes{{255, 17}, {252, 0}}));

    PosixSerialPort port;
    EXPECT_EQ(port.open(rig->sim().slavePath(), 9600, 100).status, PortOpenStatus::Ok)
        << "the port is still held";
}

} // namespace
} // namespace korvel
