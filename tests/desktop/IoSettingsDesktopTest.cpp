// The settings dialog and the digital I/O strip of the real korvel on an X server, clicked
// like a user would, against korvel-sim. Assertions are about the frames the simulated
// indicator received. The cases share one running korvel and run in order.
#include "KorvelRig.h"

#include <QThread>

namespace korvel {
namespace {

using test::KorvelRig;
using Write = KorvelRig::Write;
using Writes = KorvelRig::Writes;
constexpr int kMem = KorvelRig::kMemoryWrite;

// The settings dialog (290 x 415) over the main window: centred across, a third down.
constexpr QPoint kDialog((555 - 290) / 2, (398 - 415) / 3);
// The strip hangs 395 pixels below the main window's top edge.
constexpr QPoint kStrip(0, 395);

class IoSettingsDesktop : public test::SharedKorvel<IoSettingsDesktop>
{
protected:
    static void SetUpTestSuite()
    {
        startRig({.prepare = [](sim::Simulator& sim) {
            for (int i = 0; i < 8; ++i) // the device's own output configuration
                sim.setMemoryByte(1, 53 + i, std::uint8_t(i == 0 ? 3 : i == 7 ? 7 : 0));
        }});
        QThread::msleep(500); // the window comes to the front
    }

    // Register and memory writes since `from`.
    static Writes writesSince(std::size_t from) { return rig->writesSince(from, true); }
    // Whether a request with this first byte and register came since `from`.
    static bool requested(std::size_t from, int first, int reg)
    {
        return rig->countSince(from, [&](const KorvelRig::Bytes& b) {
            return b[0] == first && b[1] == reg;
        }) > 0;
    }

    static void key(const QString& name) { KorvelRig::xdotool({QStringLiteral("key"), name}); }

    // Right button on the face, then the first item of its menu.
    static void openSettings()
    {
        const QPoint face(150, 300);
        KorvelRig::click(face, {.button = 3});
        QThread::msleep(400);
        KorvelRig::click(face + QPoint(30, 12));
        QThread::msleep(1200); // the dialog unrolls
    }
    // A drop-down list of the dialog (its centre in dialog coordinates): open it, press the
    // keys that find the entry (typing searches from the current one on), take it.
    static void chooseInDialog(QPoint combo, const QStringList& keys)
    {
        KorvelRig::click(kDialog + combo);
        QThread::msleep(400);
        for (const QString& k : keys)
            key(k);
        key(QStringLiteral("Return"));
        QThread::msleep(300);
    }
    static void pressOk()
    {
        KorvelRig::click(kDialog + QPoint(107 + 37, 376 + 13));
        QThread::msleep(1200); // the dialog rolls up
    }
};

const QPoint kAddressCombo{12 + 150 + 52, 26 + 76 + 11};
const QPoint kPanelBox{12 + 10 + 8, 142 + 10 + 9};

TEST_F(IoSettingsDesktop, NewAddressTakesEffectWithTheNextPoll)
{
    openSettings();
    chooseInDialog(kAddressCombo, {QStringLiteral("5")});
    std::size_t m = rig->mark();
    pressOk();
    EXPECT_TRUE(KorvelRig::waitUntil([&] { return requested(m, 0x80 | 5, 0x2A); }))
        << "no display read at address 5";
    EXPECT_TRUE(writesSince(m).empty()) << "the port is not reopened for an address";

    openSettings();
    chooseInDialog(kAddressCombo, {QStringLiteral("Home")});
    pressOk();
    m = rig->mark();
    EXPECT_TRUE(KorvelRig::waitUntil([&] { return requested(m, 0x81, 0x2A); }));
}

TEST_F(IoSettingsDesktop, PanelSwitchedOnInTheDialogAppearsAndIsPolled)
{
    const std::size_t m = rig->mark();
    EXPECT_FALSE(requested(0, 0x81, 155));
    openSettings();
    KorvelRig::click(kDialog + kPanelBox);
    QThread::msleep(200);
    pressOk();
    EXPECT_TRUE(KorvelRig::waitUntil([&] { return requested(m, 0x81, 155); }))
        << "register 155 not read";
}

TEST_F(IoSettingsDesktop, OutputsTakenOverAndSwitchedByClicks)
{
    // "Разрешить управление цифровыми выходами"
    std::size_t m = rig->mark();
    KorvelRig::click(kStrip + QPoint(241 + 8, 66 + 8));
    Writes expected{{254, 1}};
    for (int i = 0; i < 8; ++i)
        expected.emplace_back(kMem + 53 + i, 0);
    expected.emplace_back(252, 1);
    EXPECT_TRUE(KorvelRig::waitUntil([&] { return writesSince(m).size() >= expected.size(); }));
    EXPECT_EQ(writesSince(m), expected);
    EXPECT_TRUE(rig->sim().outputControl());

    // The outputs are the PC's now and all off; once the strip has seen that, lamp 3 switches
    // output 3 on.
    m = rig->mark();
    ASSERT_TRUE(KorvelRig::waitUntil([&] { return requested(m, 0x81, 155); }));
    QThread::msleep(100);
    m = rig->mark();
    KorvelRig::click(kStrip + QPoint(232 + 87 + 10, 8 + 17 + 10));
    EXPECT_TRUE(KorvelRig::waitUntil([&] { return writesSince(m).size() >= 2; }));
    EXPECT_EQ(writesSince(m), (Writes{{253, 0x04}, {255, 10}}));
    EXPECT_EQ(rig->sim().outputs(), 0x04);
}

TEST_F(IoSettingsDesktop, ClosingHandsTheOutputsBack)
{
    const std::size_t m = rig->mark();
    KorvelRig::click(KorvelRig::kCloseButton);
    ASSERT_TRUE(rig->process().waitForFinished(10000)) << "korvel did not exit";
    Writes expected{{254, 1}};
    const int original[] = {3, 0, 0, 0, 0, 0, 0, 7};
    for (int i = 0; i < 8; ++i)
        expected.emplace_back(kMem + 53 + i, original[i]);
    for (const Write& w : Writes{{252, 0}, {255, 17}, {252, 0}})
        expected.push_back(w);
    EXPECT_EQ(writesSince(m), expected);
    const auto block = rig->sim().memoryPage(1);
    EXPECT_EQ(block[53], 3);
    EXPECT_EQ(block[60], 7);
}

} // namespace
} // namespace korvel
