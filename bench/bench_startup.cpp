// Start-up and memory of the real program against korvel-sim:
//   - time from starting the process to its first request on the line (the keyboard unlock
//     sent at the end of the window's reveal, which alone takes about 0.56 s);
//   - resident memory after polling for a while (default 60 s).
// Usage: bench_startup [seconds=60] [runs=5]
// Uses the X display when DISPLAY is set, the offscreen platform otherwise.
#include "sim/Simulator.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

long residentKiB(qint64 pid)
{
    QFile f(QStringLiteral("/proc/%1/status").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return -1;
}

struct Run
{
    double firstRequestMs = -1;
    long rssKiB = -1;
};

Run runOnce(int pollSeconds)
{
    korvel::sim::Simulator sim(korvel::sim::SimOptions{});
    std::string error;
    if (!sim.start(&error)) {
        std::fprintf(stderr, "simulator: %s\n", error.c_str());
        return {};
    }
    QTemporaryDir dir;
    const QString exe = dir.filePath(QStringLiteral("korvel"));
    QFile::copy(QStringLiteral(KORVEL_BIN_DIR "/korvel"), exe);
    QProcess::execute(QStringLiteral(KORVEL_BIN_DIR "/korvel-ini"),
                      {exe + QStringLiteral(".ini"), QStringLiteral("Параметры COM-порта"),
                       QStringLiteral("COM-порт"), QString::fromStdString(sim.slavePath())});

    QProcess korvel;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (!env.contains(QStringLiteral("DISPLAY")))
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    korvel.setProcessEnvironment(env);

    Run run;
    const auto t0 = Clock::now();
    korvel.start(exe, {});
    korvel.waitForStarted();
    while (sim.requests().empty() && Clock::now() - t0 < std::chrono::seconds(10))
        QThread::usleep(200);
    if (!sim.requests().empty())
        run.firstRequestMs = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();

    if (pollSeconds > 0) {
        QThread::sleep(pollSeconds);
        run.rssKiB = residentKiB(korvel.processId());
    }
    korvel.terminate();
    if (!korvel.waitForFinished(10000))
        korvel.kill();
    return run;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? -1 : v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 60;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 5;

    std::vector<double> starts;
    for (int i = 0; i < runs; ++i) {
        const Run r = runOnce(0);
        starts.push_back(r.firstRequestMs);
        std::printf("run %d: first request after %.1f ms\n", i + 1, r.firstRequestMs);
    }
    std::printf("start to first request: median %.1f ms over %d runs (target < 1000 ms)\n",
                median(starts), runs);

    const Run longRun = runOnce(seconds);
    std::printf("resident memory after %d s of polling: %.1f MB (target < 80 MB)\n", seconds,
                longRun.rssKiB / 1024.0);
    return 0;
}
