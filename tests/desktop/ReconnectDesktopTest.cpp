// The simulated USB adapter pulled out from under the running korvel and plugged back in, ten
// times: нет связи while it is away, the display back by itself after each replug, no popup,
// and no descriptor left behind.
#include "KorvelRig.h"

#include <QElapsedTimer>

#include <algorithm>
#include <iostream>

namespace korvel {
namespace {

using test::KorvelRig;
using Write = KorvelRig::Write;

TEST(ReconnectDesktop, TenUnplugsRecoverByThemselvesWithoutPopupsOrLeaks)
{
    KorvelRig rig({.stableLink = true, .steadyDisplay = true});
    ASSERT_TRUE(rig.started());
    // The live picture, and what a silent indicator shows (нет связи, lamps dark).
    const QImage live = KorvelRig::waitForPicture(QImage(), true, 10000);
    sim::SimFaults silent;
    silent.silent = true;
    rig.sim().setFaults(silent);
    const QImage noLink = KorvelRig::waitForPicture(live, true, 10000);
    ASSERT_NE(noLink, live);
    rig.sim().setFaults({});
    ASSERT_EQ(KorvelRig::waitForPicture(live, false, 10000), live);

    const int descriptors = rig.openDescriptors();
    const int windows = rig.visibleWindows();
    EXPECT_EQ(rig.terminalDescriptors(), 1) << "the port";

    std::vector<qint64> recoveryMs;
    for (int cycle = 0; cycle < 10; ++cycle) {
        SCOPED_TRACE(cycle);
        ASSERT_TRUE(rig.sim().unplug());
        EXPECT_EQ(KorvelRig::waitForPicture(noLink, false, 10000), noLink) << "нет связи";
        EXPECT_EQ(rig.terminalDescriptors(), 0) << "the lost port is let go";

        const std::size_t m = rig.mark();
        QElapsedTimer sinceReplug;
        ASSERT_TRUE(rig.sim().replug());
        sinceReplug.start();
        EXPECT_TRUE(KorvelRig::waitUntil([&] { return rig.displayReadsSince(m) > 0; }, 10000));
        recoveryMs.push_back(sinceReplug.elapsed());
        const auto writes = rig.writesSince(m);
        ASSERT_FALSE(writes.empty());
        EXPECT_EQ(writes.front(), Write(255, 17)) << "the keyboard unlock comes first";
        EXPECT_EQ(KorvelRig::waitForPicture(live, false, 10000), live) << "the display is back";
        EXPECT_EQ(rig.terminalDescriptors(), 1);
    }
    EXPECT_EQ(rig.openDescriptors(), descriptors);
    EXPECT_EQ(rig.visibleWindows(), windows) << "no popup came up";

    // Still answering the user.
    const std::size_t m = rig.mark();
    KorvelRig::clickKey("5", {.away = true});
    EXPECT_TRUE(KorvelRig::waitUntil([&] { return rig.writesSince(m).size() >= 2; }, 8000));
    EXPECT_EQ(rig.writesSince(m), (std::vector<Write>{{253, 0x02}, {255, 12}}));

    // For the note, not a pass mark: the poll period is 320 ms.
    std::sort(recoveryMs.begin(), recoveryMs.end());
    std::cout << "replug to the first display read: " << recoveryMs.front() << " .. "
              << recoveryMs.back() << " ms, median " << recoveryMs[recoveryMs.size() / 2]
              << " ms; descriptors " << descriptors << " before, " << rig.openDescriptors()
              << " after ten unplugs\n";
}

} // namespace
} // namespace korvel
