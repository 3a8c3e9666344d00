// The fault soak: the real korvel polls korvel-sim while the simulator goes through every
// fault it can inject, a few seconds each, twice. Afterwards korvel still answers a key
// press, shows the live display again, has shown no popup, and the second pass has not grown
// its memory beyond the first (the first pass lets every one-time allocation happen: glyphs
// of нет связи, the trace panels' fonts, caches).
#include "ChartPanelPlaces.h"
#include "KorvelRig.h"

#include <QElapsedTimer>
#include <QThread>

#include <algorithm>
#include <iostream>
#include <string>

namespace korvel {
namespace {

// How much the second pass may add; the sanitized build allows its allocator more.
#ifndef KORVEL_SOAK_GROWTH_KB
#define KORVEL_SOAK_GROWTH_KB 1024
#endif
constexpr long kSoakGrowthKb = KORVEL_SOAK_GROWTH_KB;

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

int secondsPerFault()
{
    const int fromEnvironment = qEnvironmentVariableIntValue("KORVEL_SOAK_SECONDS");
    return fromEnvironment > 0 ? fromEnvironment : 3;
}

// The fault for that long; korvel lives through it.
void sufferFault(KorvelRig& rig, const Fault& fault, int seconds)
{
    fault.apply(rig.sim());
    QThread::msleep(static_cast<unsigned long>(seconds) * 1000);
    EXPECT_EQ(rig.process().state(), QProcess::Running);
}

// Clicks that leave the pointer off the window, so pictures of it compare.
void click(QPoint inWindow, int repeat = 1)
{
    KorvelRig::click(inWindow, {.repeat = repeat, .away = true});
}

// What a test that compares pictures and pulls the adapter needs, at a real line's pace.
KorvelRig::Options atLineRate()
{
    KorvelRig::Options options{.stableLink = true, .steadyDisplay = true};
    options.sim.baud = 9600;
    return options;
}

std::size_t startsSince(const KorvelRig& rig, std::size_t from)
{
    std::size_t n = 0;
    for (const Write& w : rig.writesSince(from))
        n += w == Write(255, 20);
    return n;
}

// What the soak compares the end with: the live display, the windows and the anonymous
// memory at the start; and the soak's clock.
struct Baseline
{
    explicit Baseline(const KorvelRig& rig)
        : live(KorvelRig::waitForPicture(QImage(), true, 10000)), windows(rig.visibleWindows()),
          kb(rig.anonymousKb())
    {
        clock.start();
    }
    const QImage live;
    const int windows;
    const long kb;
    QElapsedTimer clock;
};

// korvel's anonymous memory at the end of each pass. The first pass lets every one-time
// allocation happen and, in a chart run, fills the time window; the second may not add to it.
class PassMemory
{
public:
    void afterPass(const KorvelRig& rig) { kb_.push_back(rig.anonymousKb()); }

    void expectNoGrowth() const
    {
        ASSERT_EQ(kb_.size(), 2u);
        EXPECT_LE(kb_[1], kb_[0] + kSoakGrowthKb) << "memory grew in the second pass";
    }

    std::string report() const
    {
        std::string text;
        for (std::size_t pass = 0; pass < kb_.size(); ++pass)
            text += std::to_string(kb_[pass]) + (pass == 0 ? " kB after the first pass, "
                                                           : " kB after the second");
        return text + " (allowed growth " + std::to_string(kSoakGrowthKb) + " kB)";
    }

private:
    std::vector<long> kb_;
};

// No popup came up, and korvel still answers a key.
void expectAnswering(KorvelRig& rig, int windows)
{
    EXPECT_EQ(rig.visibleWindows(), windows) << "no popup";
    const std::size_t m = rig.mark();
    KorvelRig::clickKey("5", {.away = true});
    EXPECT_TRUE(KorvelRig::waitUntil([&] { return rig.writesSince(m).size() >= 2; }, 8000));
    EXPECT_EQ(rig.writesSince(m), (std::vector<Write>{{253, 0x02}, {255, 12}}));
}

TEST(SoakDesktop, EveryFaultWhilePollingLeavesKorvelAnsweringAndNoBigger)
{
    const int secondsEach = secondsPerFault();
    KorvelRig rig(atLineRate());
    ASSERT_TRUE(rig.started());
    const Baseline start(rig);

    PassMemory memory;
    for (int pass = 0; pass < 2; ++pass) {
        for (const Fault& fault : allFaults()) {
            SCOPED_TRACE(fault.name);
            sufferFault(rig, fault, secondsEach);
            if (!rig.sim().plugged()) {
                ASSERT_TRUE(rig.sim().replug());
            }
            rig.sim().setFaults({});
        }
        EXPECT_EQ(KorvelRig::waitForPicture(start.live, false, 10000), start.live)
            << "the live display";
        memory.afterPass(rig);
    }
    const qint64 soakMs = start.clock.elapsed();

    expectAnswering(rig, start.windows);

    // A leak of even one small buffer per failed transaction would add hundreds of kilobytes
    // over a pass; what the allocator keeps or returns moves the figure by far less.
    memory.expectNoGrowth();
    std::cout << "soak: " << soakMs / 1000.0 << " s (" << allFaults().size() << " faults x "
              << secondsEach << " s, twice); anonymous memory " << start.kb
              << " kB at the start, " << memory.report() << "\n";
}

// The same faults while a chart run streams. A pulled-out adapter ends the run as "Стоп"
// would; once it is back, "Пуск" starts the next one. Afterwards "Стоп" and "Выход" bring the
// front panel back, live, and korvel has not grown.
TEST(SoakDesktop, EveryFaultDuringAChartRunLeavesKorvelAnsweringAndNoBigger)
{
    const int secondsEach = secondsPerFault();
    const test::ChartPanelPlaces places = test::chartPanelPlaces(KorvelRig::kWindow);
    // At a real line rate the stream fills the line, as an indicator's does.
    KorvelRig rig(atLineRate());
    ASSERT_TRUE(rig.started());
    const Baseline start(rig);

    std::size_t m = rig.mark();
    click(places.digit, 2);
    // Chart mode reads the filter registers (240..242) at entry.
    auto filterReads = [&] {
        return rig.countSince(
            m, [](const KorvelRig::Bytes& b) { return b[0] == 0x81 && b[1] == 240; });
    };
    ASSERT_TRUE(KorvelRig::waitUntil([&] { return filterReads() > 0; }, 10000))
        << "chart mode did not come up";
    QThread::msleep(500);
    m = rig.mark();
    click(places.pusk);
    ASSERT_TRUE(KorvelRig::waitUntil([&] { return startsSince(rig, m) == 1; }, 10000));

    PassMemory memory;
    for (int pass = 0; pass < 2; ++pass) {
        for (const Fault& fault : allFaults()) {
            SCOPED_TRACE(fault.name);
            sufferFault(rig, fault, secondsEach);
            rig.sim().setFaults({});
            if (!rig.sim().plugged()) {
                ASSERT_TRUE(rig.sim().replug());
                QThread::msleep(300);
                m = rig.mark();
                click(places.pusk); // the run ended with the adapter; a new one begins
                EXPECT_TRUE(KorvelRig::waitUntil([&] { return startsSince(rig, m) == 1; }, 10000));
            }
            // The run goes on: the plot moves.
            const QImage before = KorvelRig::grabWindow();
            EXPECT_TRUE(
                KorvelRig::waitUntil([&] { return KorvelRig::grabWindow() != before; }, 5000))
                << "the chart stands still";
        }
        memory.afterPass(rig);
    }

    m = rig.mark();
    click(places.pusk); // "Стоп"
    EXPECT_TRUE(KorvelRig::waitUntil([&] { return !rig.sim().streaming(); }, 10000));
    QThread::msleep(500);
    click(places.exit);
    EXPECT_EQ(KorvelRig::waitForPicture(start.live, false, 15000), start.live)
        << "the live front panel";
    const qint64 soakMs = start.clock.elapsed();

    expectAnswering(rig, start.windows);

    // The chart keeps a window of points and trims the rest: a pass is longer than the window.
    memory.expectNoGrowth();
    std::cout << "chart soak: " << soakMs / 1000.0 << " s (" << allFaults().size() << " faults x "
              << secondsEach << " s, twice, while streaming); anonymous memory " << start.kb
              << " kB before the chart, " << memory.report() << "\n";
}

} // namespace
} // namespace korvel
