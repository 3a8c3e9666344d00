// Memory transfers through the real transfer dialog (offscreen) against the simulated indicator
// paced at 9600 baud, on the real clock. Prints each transfer's time beside its floor: the
// transfer's own pauses and the link's sleeps plus the line time of every byte, 10 bits a byte.
//   page select / byte write (DeviceWrite): 15 + 1 + 1 ms, 4 request + 2 reply bytes
//   page read (DeviceRead of 256):          10 + 1 + 1 ms, 4 request + 259 reply bytes
//   10 ms after each page select and after each byte written
// A read is select, pause, read per page. A write first reads the area as its backup, then per
// page that has a byte to change: select, pause, n x (byte write, pause); then it reads the
// whole area back (as a read) and sends the end-of-write command.
//   eeprom-restore  an EEPROM image that differs from the indicator in 16 bytes (target < 6 s)
//   eeprom-write    one that differs in every byte: the old full write plus the read-back
//   fm-restore      an FM image that differs in 100 bytes (target < 90 s)
// The time runs from the end of the reveal to the end of the transfer (the closing sweep is
// not counted). The floor adds everything up, but on the line the link's 1 ms sleeps after a
// request overlap the bytes in flight, so a transfer may come in a little under it. Usage:
// bench_memory [eeprom-read fm-read eeprom-restore eeprom-write fm-restore] (default: all five)
#include "link/DeviceMap.h"
#include "link/Link.h"
#include "link/PosixSerialPort.h"
#include "memory/ImageWriter.h"
#include "memory/TransferDialog.h"
#include "ui/SkinnedWindow.h"
#include "sim/Simulator.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QPointer>
#include <QProgressBar>
#include <QTemporaryDir>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

using namespace korvel;

constexpr int kBaud = 9600;
constexpr double kByteMs = 10.0 * 1000.0 / kBaud;
constexpr double kWriteMs = 15 + 1 + 1 + (4 + 2) * kByteMs;
constexpr double kPageReadMs = 10 + 1 + 1 + (4 + MEM_PAGE_SIZE + 3) * kByteMs;
constexpr double kPauseMs = 10;

double readFloorMs(const MemoryArea& a)
{
    return a.pages() * (kWriteMs + kPauseMs + kPageReadMs);
}

// Writing `bytes` bytes that lie in `pages` pages, and the end-of-write command.
double writeFloorMs(int pages, int bytes)
{
    return pages * (kWriteMs + kPauseMs) + bytes * (kWriteMs + kPauseMs) + kWriteMs;
}

// The whole differential write: backup, the bytes, the read-back of the area.
double restoreFloorMs(const MemoryArea& a, int pages, int bytes)
{
    return readFloorMs(a) + writeFloorMs(pages, bytes) + readFloorMs(a);
}

struct Timing
{
    bool ok = false;
    double totalMs = 0;
    double backupMs = 0; // writes: the backup read before the first page select of the write
};

Timing runTransfer(Link& link, TransferMode mode, const MemoryArea& area, QString fileName,
                   const QString& backupFolder)
{
    TransferJob job;
    job.mode = mode;
    job.area = area;
    job.fileName = &fileName;
    job.backupFolder = backupFolder;
    QPointer<TFormReadWriteEEPROM> d = new TFormReadWriteEEPROM(link, job);
    d->showMessage = [](const PopupMessage& m) {
        std::fprintf(stderr, "  popup: %s\n", qPrintable(m.text));
    };
    Timing t;
    QElapsedTimer clock;
    bool lastPageSeen = false;
    QEventLoop loop;
    QObject::connect(d->skin(), &SkinnedWindow::revealFinished, [&] { clock.start(); });
    QObject::connect(d->ReadWriteProgressBar(), &QProgressBar::valueChanged, [&](int page) {
        if (page == area.endPage - 1)
            lastPageSeen = true;
        else if (page == area.firstPage && lastPageSeen && t.backupMs == 0)
            t.backupMs = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    });
    QObject::connect(d, &TFormReadWriteEEPROM::transferEnded, [&] {
        t.totalMs = static_cast<double>(clock.nsecsElapsed()) / 1e6;
        t.ok = d->outcome() == TFormReadWriteEEPROM::Outcome::Completed;
    });
    QObject::connect(d, &TFormReadWriteEEPROM::closed, &loop, &QEventLoop::quit);
    d->show();
    loop.exec();
    return t;
}

void printRow(const char* what, double ms, double floorMs, double targetMs = 0)
{
    std::printf("%-40s %11.1f %11.1f %+9.2f %%", what, floorMs, ms,
                100.0 * (ms - floorMs) / floorMs);
    if (targetMs > 0)
        std::printf("   < %.0f %s", targetMs, ms < targetMs ? "met" : "MISSED");
    std::printf("\n");
}

// The area as the indicator holds it, with `count` bytes spread evenly over it changed; stored
// as an image file at `path`. Returns the number of pages the changes lie in.
int writeChangedImage(const sim::Simulator& sim, const MemoryArea& area, int count,
                      const QString& path)
{
    std::vector<std::uint8_t> bytes;
    for (int p = area.firstPage; p < area.endPage; ++p) {
        const auto page = sim.memoryPage(p);
        bytes.insert(bytes.end(), page.begin(), page.end());
    }
    std::vector<int> pages;
    // Evenly spaced, each a few bytes off its grid point while the spacing leaves room.
    const int stride = area.bytes() / count;
    for (int i = 0; i < count; ++i) {
        const auto at = static_cast<std::size_t>(i * stride + (stride > 7 ? i % 7 : 0));
        bytes[at] = static_cast<std::uint8_t>(~bytes[at]);
        const int page = static_cast<int>(at / MEM_PAGE_SIZE);
        if (pages.empty() || pages.back() != page)
            pages.push_back(page);
    }
    QStringList lines;
    for (std::size_t at = 0; at < bytes.size(); at += MEM_PAGE_SIZE)
        lines << FormatImagePage(bytes.data() + at);
    SaveImageFile(path, lines);
    return static_cast<int>(pages.size());
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The offscreen platform says at every animation step that it has no window masks.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    QApplication app(argc, argv);
    QStringList wanted;
    for (int i = 1; i < argc; ++i)
        wanted << QString::fromLocal8Bit(argv[i]);
    if (wanted.isEmpty())
        wanted = {QStringLiteral("eeprom-read"), QStringLiteral("fm-read"),
                  QStringLiteral("eeprom-restore"), QStringLiteral("eeprom-write"),
                  QStringLiteral("fm-restore")};

    sim::SimOptions options;
    options.baud = kBaud;
    sim::Simulator sim(options);
    std::string error;
    if (!sim.start(&error)) {
        std::fprintf(stderr, "simulator: %s\n", error.c_str());
        return 1;
    }
    PosixSerialPort port;
    if (port.open(sim.slavePath(), kBaud, 2000).status != PortOpenStatus::Ok) {
        std::fprintf(stderr, "cannot open %s\n", sim.slavePath().c_str());
        return 1;
    }
    LinkSettings settings;
    Link link(port, systemClock(), settings);
    QTemporaryDir dir;

    std::printf("Memory transfers through the transfer dialog, korvel-sim paced at %d baud\n",
                kBaud);
    std::printf("%-40s %11s %11s %11s   %s\n", "", "floor ms", "measured", "over floor",
                "target ms");
    int status = 0;
    const MemoryArea eeprom = MemoryArea::eeprom();
    const MemoryArea fm = MemoryArea::fm();
    const QString backups = dir.filePath(QStringLiteral("backup"));
    struct Write
    {
        const char* name;
        const char* label;
        MemoryArea area;
        int changed;
        double targetMs; // 0: the floor plus what the old full write took is the target
    };
    const Write writes[] = {
        {"eeprom-restore", "EEPROM restore, 16 bytes differ", eeprom, 16, 6000},
        {"eeprom-write", "EEPROM write, every byte differs", eeprom, eeprom.bytes(), 0},
        {"fm-restore", "FM restore, 100 bytes differ", fm, 100, 90000},
    };
    for (const QString& what : wanted) {
        if (what == QStringLiteral("eeprom-read") || what == QStringLiteral("fm-read")) {
            const MemoryArea area = what.startsWith(QStringLiteral("fm")) ? fm : eeprom;
            const QString target = dir.filePath(area.name + QStringLiteral(".EEPROM"));
            const Timing t = runTransfer(link, TransferMode::Reading, area, target, {});
            status |= t.ok ? 0 : 1;
            printRow(qPrintable(area.name + QStringLiteral(" read")), t.totalMs, readFloorMs(area));
            std::fflush(stdout);
            continue;
        }
        const Write* w = nullptr;
        for (const Write& candidate : writes)
            if (what == QLatin1String(candidate.name))
                w = &candidate;
        if (!w) {
            std::fprintf(stderr, "unknown transfer %s\n", qPrintable(what));
            status = 2;
            continue;
        }
        const QString image = dir.filePath(what + QStringLiteral(".EEPROM"));
        const int pages = writeChangedImage(sim, w->area, w->changed, image);
        const Timing t = runTransfer(link, TransferMode::Writing, w->area, image, backups);
        status |= t.ok ? 0 : 1;
        const double floor = restoreFloorMs(w->area, pages, w->changed);
        // The old write: backup and every byte, no read-back.
        const double oldFloor = readFloorMs(w->area) + writeFloorMs(w->area.pages(), w->area.bytes());
        const double target = w->targetMs > 0 ? w->targetMs : oldFloor + readFloorMs(w->area);
        printRow(qPrintable(QString::fromLatin1(w->label) + QStringLiteral(": backup")),
                 t.backupMs, readFloorMs(w->area));
        printRow(qPrintable(QString::fromLatin1(w->label) + QStringLiteral(": in all")),
                 t.totalMs, floor, target);
        std::printf("%-40s %11.1f  (the old full write, without a read-back)\n", "", oldFloor);
        std::fflush(stdout);
    }
    port.close();
    sim.stop();
    return status;
}
