// "Поиск прибора" in the real korvel on an X server: an indicator at an address and speed the
// settings do not know is found through the face's menu, connected by a double click on its
// row, and polled there. Assertions are about the frames the simulated indicator received
// and the settings file korvel wrote.
#include "KorvelRig.h"

#include "settings/IniProfile.h"
#include "settings/SettingsKeys.h"

#include <QThread>

namespace korvel {
namespace {

using test::KorvelRig;
namespace k = settings_keys;

// The search dialog (420 x 440) over the main window: centred across, a third down.
constexpr QPoint kDialog((555 - 420) / 2, (398 - 440) / 3);
constexpr QPoint kSearchButton{12 + 60, 146 + 13};
constexpr QPoint kFirstResult{12 + 10 + 120, 212 + 20 + 9};

TEST(FinderDesktop, FindsAnIndicatorAtAnUnknownAddressAndSpeedAndConnects)
{
    sim::SimOptions indicator;
    indicator.address = 37;
    indicator.baud = 19200;
    indicator.strictBaud = true;
    // Nothing answers at 9600, address 1, where the settings point.
    KorvelRig rig({.sim = indicator, .answersAtStart = false});
    ASSERT_TRUE(rig.started());
    QThread::msleep(800);
    ASSERT_EQ(rig.visibleWindows(), 1);

    KorvelRig::chooseMenuEntry({150, 300}, 2); // "Поиск прибора", right after "Настройки"
    QThread::msleep(1500); // the dialog unrolls
    const std::size_t m = rig.mark();
    KorvelRig::click(kDialog + kSearchButton);
    // 9600 heard nothing, 19200 answered at 37 and was scanned whole: then the search ends.
    // The poll keeps asking address 1 for its identification until it is suspended and again
    // once it is restored at the old settings, so only the other 62 addresses count the
    // search's probes exactly: once per rate tried, and no third rate.
    const auto identReads = [&] {
        int n = 0;
        for (const KorvelRig::Bytes& b : rig.requestsSince(m))
            n += b.size() >= 2 && b[1] == 236 && (b[0] & 0x3F) != 1;
        return n;
    };
    ASSERT_TRUE(KorvelRig::waitUntil([&] { return identReads() >= 2 * 62; }, 30000, 100))
        << identReads() << " probes";
    QThread::msleep(800);
    EXPECT_EQ(identReads(), 2 * 62);
    EXPECT_TRUE(rig.writesSince(m).empty()) << "the search only reads";
    KorvelRig::screenshot("finder_found");

    const std::size_t chosen = rig.mark();
    KorvelRig::click(kDialog + kFirstResult, {.repeat = 2});
    EXPECT_TRUE(rig.waitForRequest(chosen, KorvelRig::request(0x80 | 37, 42, 15)))
        << "no display read at address 37";
    // The reconnect unlocks the keyboard at the new address, nothing else is written.
    EXPECT_EQ(rig.writesSince(chosen), (KorvelRig::Writes{{255, 17}}));

    IniProfile ini;
    ASSERT_EQ(ini.loadFile(rig.copyPath() + QStringLiteral(".ini")), IniProfile::LoadStatus::Loaded);
    EXPECT_EQ(ini.readString(k::kPortSection, k::kPortName, {}),
              QString::fromStdString(rig.sim().slavePath()));
    EXPECT_EQ(ini.readInteger(k::kPortSection, k::kBaudRate, 0), 19200);
    EXPECT_EQ(ini.readInteger(k::kDeviceSection, k::kAddress, 0), 37);
    QThread::msleep(1000);
    KorvelRig::screenshot("finder_connected");
}

} // namespace
} // namespace korvel
