// The fault soak: the real korvel polls korvel-sim while the simulator goes through every
// fault it can inject, a few seconds each, twice. Afterwards korvel still answers a key
// press, shows the live display again, has shown no popup, and the second pass has not grown
// its memory beyond the first (the first pass lets every one-time allocation happen: glyphs
// of нет связи, the trace panels' fonts, caches).
#include "KorvelRig.h"

#include <iostream>

namespace korvel {
namespace {

using test::KorvelRig;
using Write = KorvelRig::Write;

struct Fault
{
    const char* name;
    std::function<void(sim::Simulator&)> apply;
};

std::vector<Fault> allFaults()
{
    auto faults = [](auto change) {
        return [change](sim::Simulator& s) {
            sim::SimFaults f;
            change(f);
            s.setFaults(f);
        };
    };
    return {
        {"silent", faults([](sim::SimFaults& f) { f.silent = true; })},
        // Later than one read time-out (200 ms), sooner than three.
        {"late replies", faults([](sim::SimFaults& f) { f.replyDelayMs = 300; })},
        {"split replies", faults([](sim::SimFaults& f) {
             f.splitPieces = 4;
             f.splitPauseMs = 90;
         })},
        {"corrupt CRC", faults([](sim::SimFaults& f) { f.corruptEveryN = 2; })},
        {"garbage", faults([](sim::SimFaults& f) { f.garbageEveryNFrames = 1; })},
        {"dropped bytes", faults([](sim::SimFaults& f) { f.dropEveryN = 7; })},
        {"all at once", faults([](sim::SimFaults& f) {
             f.replyDelayMs = 100;
             f.splitPieces = 2;
             f.splitPauseMs = 50;
             f.corruptEveryN = 3;
             f.garbageEveryNFrames = 2;
             f.dropEveryN = 11;
         })},
        {"adapter pulled out", [](sim::Simulator& s) { EXPECT_TRUE(s.unplug()); }},
    };
}

TEST(SoakDesktop, EveryFaultWhilePollingLeavesKorvelAnsweringAndNoBigger)
{
    const int secondsEach = qEnvironmentVariableIntValue("KORVEL_SOAK_SECONDS") > 0
                                ? qEnvironmentVariableIntValue("KORVEL_SOAK_SECONDS")
                                : 3;
    KorvelRig rig;
    ASSERT_TRUE(rig.started());
    const QImage live = KorvelRig::waitForPicture(QImage(), true, 10000);
    const int windows = rig.visibleWindows();
    const long startKb = rig.residentKb();
    QElapsedTimer soak;
    soak.start();

    std::vector<long> afterPassKb;
    for (int pass = 0; pass < 2; ++pass) {
        for (const Fault& fault : allFaults()) {
            SCOPED_TRACE(fault.name);
            fault.apply(rig.sim());
            QThread::msleep(static_cast<unsigned long>(secondsEach) * 1000);
            EXPECT_EQ(rig.process().state(), QProcess::Running);
            if (!rig.sim().plugged()) {
                ASSERT_TRUE(rig.sim().replug());
            }
            rig.sim().setFaults({});
        }
        EXPECT_EQ(KorvelRig::waitForPicture(live, false, 10000), live) << "the live display";
        afterPassKb.push_back(rig.residentKb());
    }
    const qint64 soakMs = soak.elapsed();

    EXPECT_EQ(rig.visibleWindows(), windows) << "no popup";
    const std::size_t m = rig.mark();
    KorvelRig::clickKey("5");
    EXPECT_TRUE(KorvelRig::waitUntil([&] { return rig.writesSince(m).size() >= 2; }, 8000));
    EXPECT_EQ(rig.writesSince(m), (std::vector<Write>{{253, 0x02}, {255, 12}}));

    // A leak of even one small buffer per failed transaction would add hundreds of kilobytes
    // over a pass; what the allocator keeps or returns moves the figure by far less.
    EXPECT_LE(afterPassKb[1], afterPassKb[0] + 1024) << "memory grew in the second pass";
    std::cout << "soak: " << soakMs / 1000.0 << " s (" << allFaults().size() << " faults x "
              << secondsEach << " s, twice); resident memory " << startKb << " kB at the start, "
              << afterPassKb[0] << " kB after the first pass, " << afterPassKb[1]
              << " kB after the second\n";
}

} // namespace
} // namespace korvel
