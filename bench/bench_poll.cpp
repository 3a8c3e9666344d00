// The poll cycle of the front panel against the simulated indicator (in-process, replies
// paced at 9600 baud), on an unchanging display.
//
// Prints:
//  - the cost of one tick (display read + drawing), called directly;
//  - the period between two display reads while the poll timer runs, taken from the
//    simulator's request log, beside its floor: PollInterval + the link's sleeps before and
//    around the read (10 + 1 + 1 ms) + the line time of 4 request and 19 reply bytes;
//  - CPU time per minute of polling. The simulator runs as a thread of this process, so
//    the figure is given twice: for the GUI thread, which runs the whole poll (the
//    program's own cost), and for the process including the simulator thread.
//
// Usage: bench_poll [seconds of polling, default 25] [PollInterval ms, default 320]
#include "link/DeviceMap.h"
#include "link/Link.h"
#include "link/PosixSerialPort.h"
#include "panel/FrontPanel.h"
#include "panel/PollCycle.h"
#include "settings/SettingsValues.h"
#include "sim/Simulator.h"

#include <QApplication>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

double cpuSeconds(int who)
{
    rusage u{};
    getrusage(who, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

double percentile(std::vector<double> v, double p)
{
    std::sort(v.begin(), v.end());
    const auto at = static_cast<std::size_t>(p * static_cast<double>(v.size() - 1) + 0.5);
    return v[std::min(at, v.size() - 1)];
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 25;
    const int baud = 9600;

    korvel::Uperemen settings;
    if (argc > 2)
        settings.PollInterval = std::atoi(argv[2]);

    korvel::sim::SimOptions options;
    options.baud = baud;
    options.model = 21;
    korvel::sim::Simulator sim(options);
    std::string error;
    if (!sim.start(&error)) {
        std::fprintf(stderr, "simulator: %s\n", error.c_str());
        return 1;
    }
    // An unchanging display: "  12.345" over "br 1000.0", stable and zero lit.
    sim.setDisplay(std::array<std::uint8_t, korvel::DISPLAY_COUNT>{
        0x44, 0x00, 0x11, 0xED, 0x5D, 0x1B, 0x5E, 0x00, 0xDA, 0x88, 0x00, 0x11, 0xD7, 0xD7, 0xF7, 0xD7});

    korvel::PosixSerialPort port;
    if (port.open(sim.slavePath(), baud, settings.ReadTotalTimeoutConstant).status !=
        korvel::PortOpenStatus::Ok) {
        std::fprintf(stderr, "cannot open %s\n", sim.slavePath().c_str());
        return 1;
    }
    korvel::Link link(port, korvel::systemClock(), settings);
    korvel::FrontPanel panel;
    panel.show();
    korvel::PollCycle poll(link, settings, panel);

    // Tick cost, called directly (the first tick also reads the identification).
    std::vector<double> tickMs;
    for (int i = 0; i < 31; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        poll.TimerOprosaPriboraTimer();
        poll.disablePolling();
        app.processEvents(); // let the panel paint what changed
        const auto t1 = std::chrono::steady_clock::now();
        if (i > 0)
            tickMs.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
    }

    // Timer-driven polling.
    sim.clearRequests();
    const double cpuThread0 = cpuSeconds(RUSAGE_THREAD);
    const double cpuProcess0 = cpuSeconds(RUSAGE_SELF);
    const auto wall0 = std::chrono::steady_clock::now();
    poll.enablePolling();
    QTimer::singleShot(seconds * 1000, &app, &QCoreApplication::quit);
    app.exec();
    poll.disablePolling();
    const double wallSec =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
    const double cpuThread = cpuSeconds(RUSAGE_THREAD) - cpuThread0;
    const double cpuProcess = cpuSeconds(RUSAGE_SELF) - cpuProcess0;

    std::vector<double> reads;
    for (const auto& r : sim.requests())
        if (r.bytes.size() == 4 && r.bytes[1] == korvel::REG_DISPLAY)
            reads.push_back(r.tSec * 1000.0);
    std::vector<double> periods;
    for (std::size_t i = 1; i < reads.size(); ++i)
        periods.push_back(reads[i] - reads[i - 1]);
    port.close();
    sim.stop();
    if (periods.empty()) {
        std::fprintf(stderr, "no display reads logged\n");
        return 1;
    }

    const double lineMs = (4 + korvel::DISPLAY_COUNT + 3) * 10.0 * 1000.0 / baud;
    const double floorMs = settings.PollInterval + 10 + 1 + 1 + lineMs;
    double mean = 0;
    for (double p : periods)
        mean += p;
    mean /= static_cast<double>(periods.size());

    std::printf("Poll cycle against korvel-sim (in-process, %d baud), PollInterval %d ms\n", baud,
                settings.PollInterval);
    std::printf("tick cost (direct calls, %zu): median %.2f ms, p90 %.2f ms, max %.2f ms\n",
                tickMs.size(), percentile(tickMs, 0.5), percentile(tickMs, 0.9),
                *std::max_element(tickMs.begin(), tickMs.end()));
    std::printf("period between display reads (%zu over %.1f s): floor %.2f ms\n", periods.size(),
                wallSec, floorMs);
    std::printf("  mean %.2f  median %.2f  p90 %.2f  min %.2f  max %.2f ms;  median - floor %+.2f ms\n",
                mean, percentile(periods, 0.5), percentile(periods, 0.9),
                *std::min_element(periods.begin(), periods.end()),
                *std::max_element(periods.begin(), periods.end()), percentile(periods, 0.5) - floorMs);
    std::printf("CPU per minute of polling: GUI thread %.3f s (%.3f %% of one core), "
                "whole process with simulator %.3f s (%.3f %%)\n",
                cpuThread * 60.0 / wallSec, cpuThread * 100.0 / wallSec,
                cpuProcess * 60.0 / wallSec, cpuProcess * 100.0 / wallSec);
    return 0;
}
