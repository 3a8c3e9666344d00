// A healthy DeviceRead of the display register (16 bytes) against the simulated indicator,
// which paces its replies to the line rate. Prints the median and 90th percentile beside the
// floor: the link's own sleeps (10 ms before the request, 1 ms after it, 1 ms before the
// read) plus the line time of the 4 request and 19 reply bytes at 10 bits per byte.
//
// Here the simulator runs in process on a pseudo-terminal. The Windows build has none: it
// reads through COM ports that korvel-sim instances stand behind, started with the given
// --baud (scripts/test-windows --bench does this):
//   bench_link_read.exe [samples] [COMn:baud ...]   (default COM20:9600 COM21:115200)
#include "link/DeviceMap.h"
#include "link/Link.h"
#include "link/NativeSerialPort.h"
#ifndef _WIN32
#include "sim/Simulator.h"
#endif

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace {

struct Figures
{
    int samples = 0;
    int failures = 0;
    double median = 0, p90 = 0, min = 0, max = 0;
};

double percentile(std::vector<double> v, double p)
{
    std::sort(v.begin(), v.end());
    const auto at = static_cast<std::size_t>(p * static_cast<double>(v.size() - 1) + 0.5);
    return v[std::min(at, v.size() - 1)];
}

bool measure(const std::string& portName, int baud, int samples, Figures& out)
{
    korvel::NativeSerialPort port;
    if (port.open(portName, baud, 200).status != korvel::PortOpenStatus::Ok) {
        std::fprintf(stderr, "cannot open %s\n", portName.c_str());
        return false;
    }
    korvel::LinkSettings linkSettings;
    korvel::Link link(port, korvel::systemClock(), linkSettings);
    std::uint8_t buffer[korvel::DISPLAY_COUNT + 3];

    std::vector<double> ms;
    for (int i = 0; i < samples + 5; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        const bool ok = link.DeviceRead(korvel::ACCESS_REG_READ | 1, korvel::REG_DISPLAY,
                                        korvel::DISPLAY_COUNT, buffer);
        const auto t1 = std::chrono::steady_clock::now();
        if (i < 5)
            continue; // warm-up
        if (!ok)
            ++out.failures;
        ms.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
    }
    port.close();
    out.samples = static_cast<int>(ms.size());
    out.median = percentile(ms, 0.5);
    out.p90 = percentile(ms, 0.9);
    out.min = *std::min_element(ms.begin(), ms.end());
    out.max = *std::max_element(ms.begin(), ms.end());
    return true;
}

#ifdef _WIN32
bool measureAt(const std::string& portName, int baud, int samples, Figures& out)
{
    return measure(portName, baud, samples, out);
}
#else
bool measureAt(const std::string&, int baud, int samples, Figures& out)
{
    korvel::sim::SimOptions options;
    options.baud = baud;
    korvel::sim::Simulator sim(options);
    std::string error;
    if (!sim.start(&error)) {
        std::fprintf(stderr, "simulator: %s\n", error.c_str());
        return false;
    }
    const bool ok = measure(sim.slavePath(), baud, samples, out);
    sim.stop();
    return ok;
}
#endif

} // namespace

int main(int argc, char** argv)
{
    const int samples = argc > 1 ? std::atoi(argv[1]) : 200;
    std::vector<std::pair<std::string, int>> lines = {{"COM20", 9600}, {"COM21", 115200}};
#ifdef _WIN32
    if (argc > 2) {
        lines.clear();
        for (int i = 2; i < argc; ++i) {
            const std::string arg = argv[i];
            const auto colon = arg.find(':');
            if (colon != std::string::npos)
                lines.emplace_back(arg.substr(0, colon), std::atoi(arg.c_str() + colon + 1));
        }
    }
    std::printf("DeviceRead of %d bytes against korvel-sim (COM ports, paced), %d samples\n",
                korvel::DISPLAY_COUNT, samples);
#else
    std::printf("DeviceRead of %d bytes against korvel-sim (in-process, paced), %d samples\n",
                korvel::DISPLAY_COUNT, samples);
#endif
    std::printf("%8s %9s %9s %9s %9s %9s %11s %8s\n", "baud", "floor ms", "median", "p90", "min",
                "max", "median-flr", "failed");
    int status = 0;
    for (const auto& [portName, baud] : lines) {
        Figures f;
        if (!measureAt(portName, baud, samples, f)) {
            status = 1;
            continue;
        }
        const double lineMs = (4 + korvel::DISPLAY_COUNT + 3) * 10.0 * 1000.0 / baud;
        const double floorMs = 10 + 1 + 1 + lineMs;
        std::printf("%8d %9.2f %9.2f %9.2f %9.2f %9.2f %+11.2f %8d\n", baud, floorMs, f.median,
                    f.p90, f.min, f.max, f.median - floorMs, f.failures);
    }
    return status;
}
