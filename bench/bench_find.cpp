// The search for indicators against the simulated indicator on a pseudo-terminal, which
// paces its replies to its line rate and, with --strict-baud, hears only frames sent at that
// rate. Prints the time to the first result for three placements of the indicator and the
// whole scan of one port with nothing connected, each beside its target, and the time per
// probe at each speed beside the floor (the line time of request and reply) and the probe's
// time-out.
#include "finder/IndicatorSearch.h"
#include "finder/ProbePlan.h"
#include "link/Clock.h"
#include "link/Link.h"
#include "link/PosixSerialPort.h"
#include "sim/Simulator.h"

#include <chrono>
#include <cstdio>
#include <map>
#include <string>

using namespace korvel;
using Steady = std::chrono::steady_clock;

namespace {

double secondsSince(Steady::time_point t)
{
    return std::chrono::duration<double>(Steady::now() - t).count();
}

struct Run
{
    double firstResult = -1; // s, -1 when nothing answered
    double whole = 0;        // s
    int probes = 0;
    std::map<int, std::pair<double, int>> perSpeed; // baud -> (seconds, probes)
};

// configured: the program's baud rate and address; sim: where the indicator really is.
Run search(const sim::SimOptions& options, int configuredBaud, int configuredAddress,
           bool stopAtFirst)
{
    sim::Simulator sim(options);
    std::string error;
    if (!sim.start(&error)) {
        std::fprintf(stderr, "korvel-sim: %s\n", error.c_str());
        std::exit(1);
    }
    PosixSerialPort port;
    LinkSettings settings;
    Link link(port, systemClock(), settings);
    IndicatorSearch s(port, link, {sim.slavePath()}, configuredBaud, configuredAddress);
    Run run;
    const auto begin = Steady::now();
    while (!s.finished()) {
        const int baud = s.currentBaud();
        const auto t = Steady::now();
        s.step();
        auto& [seconds, probes] = run.perSpeed[baud];
        seconds += secondsSince(t);
        ++probes;
        ++run.probes;
        if (run.firstResult < 0 && !s.found().empty()) {
            run.firstResult = secondsSince(begin);
            if (stopAtFirst)
                s.cancel();
        }
    }
    run.whole = secondsSince(begin);
    return run;
}

void printFirst(const char* what, const Run& r, double target)
{
    std::printf("%-58s %7.2f s  (target < %.1f s)%s\n", what, r.firstResult, target,
                r.firstResult < 0 ? "  NOT FOUND" : (r.firstResult < target ? "" : "  over"));
}

} // namespace

int main()
{
    std::printf("bench_find: probe time-out = line time of 11 bytes (10 bits each) + %d ms\n\n",
                ProbePlan::kReplyMarginMs);

    sim::SimOptions at;
    at.baud = 9600;
    at.strictBaud = true;
    printFirst("(a) indicator at the configured 9600 baud, address 1", search(at, 9600, 1, true),
               0.5);

    sim::SimOptions far = at;
    far.address = 37;
    printFirst("(b) indicator at address 37, configured 9600 baud", search(far, 9600, 1, true),
               3.0);

    sim::SimOptions fast;
    fast.baud = 57600;
    fast.strictBaud = true;
    printFirst("(c) indicator at 57600 baud, 9600 configured", search(fast, 9600, 1, true), 8.0);

    sim::SimOptions none;
    none.faults.silent = true;
    const Run empty = search(none, 9600, 1, false);
    std::printf("%-58s %7.2f s  (target < 40.0 s)%s, %d probes\n",
                "(d) nothing connected: whole scan of one port, all speeds", empty.whole,
                empty.whole < 40.0 ? "" : "  over", empty.probes);

    std::printf("\n%8s %12s %12s %12s\n", "baud", "per probe", "line floor", "time-out");
    for (const auto& [baud, figures] : empty.perSpeed)
        std::printf("%8d %9.1f ms %9.1f ms %9d ms\n", baud, 1000.0 * figures.first / figures.second,
                    ProbePlan::lineTimeMs(baud), ProbePlan::probeTimeoutMs(baud));
    return 0;
}
