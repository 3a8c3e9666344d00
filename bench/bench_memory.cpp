// Memory transfers through the real transfer dialog (offscreen) against the simulated indicator
// paced at 9600 baud, on the real clock. Prints each transfer's time beside its floor: the
// transfer's own pauses and the link's sleeps plus the line time of every byte, 10 bits a byte.
//   page select / byte write (DeviceWrite): 15 + 1 + 1 ms, 4 request + 2 reply bytes
//   page read (DeviceRead of 256):          10 + 1 + 1 ms, 4 request + 259 reply bytes
//   10 ms after each page select and after each byte written
// A read is select, pause, read per page. A write first reads the area as its backup, then per
// page: select, pause, 256 x (byte write, pause); then the end-of-write command.
// The time runs from the end of the reveal to the end of the transfer (the closing sweep is
// not counted). The floor adds everything up, but on the line the link's 1 ms sleeps after a
// request overlap the bytes in flight, so a transfer may come in a little under it. Usage:
// bench_memory [eeprom-read eeprom-write fm-read ...] (default: all three)
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

double writeFloorMs(const MemoryArea& a)
{
    return a.pages() * (kWriteMs + kPauseMs + MEM_PAGE_SIZE * (kWriteMs + kPauseMs)) + kWriteMs;
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

void printRow(const char* what, double ms, double floorMs)
{
    std::printf("%-34s %11.1f %11.1f %+9.2f %%\n", what, floorMs, ms,
                100.0 * (ms - floorMs) / floorMs);
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
        wanted = {QStringLiteral("eeprom-read"), QStringLiteral("eeprom-write"),
                  QStringLiteral("fm-read")};

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
    std::printf("%-34s %11s %11s %11s\n", "", "floor ms", "measured", "over floor");
    int status = 0;
    const MemoryArea eeprom = MemoryArea::eeprom();
    const QString image = dir.filePath(QStringLiteral("eeprom.EEPROM"));
    for (const QString& what : wanted) {
        if (what == QStringLiteral("eeprom-read") || what == QStringLiteral("fm-read")) {
            const MemoryArea area =
                what.startsWith(QStringLiteral("fm")) ? MemoryArea::fm() : eeprom;
            const QString target = area.name == eeprom.name ? image : dir.filePath("fm.EEPROM");
            const Timing t = runTransfer(link, TransferMode::Reading, area, target, {});
            status |= t.ok ? 0 : 1;
            printRow(qPrintable(area.name + QStringLiteral(" read")), t.totalMs, readFloorMs(area));
        } else if (what == QStringLiteral("eeprom-write")) {
            if (!QFile::exists(image)) {
                QStringList lines;
                for (int p = eeprom.firstPage; p < eeprom.endPage; ++p)
                    lines << FormatImagePage(sim.memoryPage(p).data());
                SaveImageFile(image, lines);
            }
            const Timing t = runTransfer(link, TransferMode::Writing, eeprom, image,
                                         dir.filePath(QStringLiteral("backup")));
            status |= t.ok ? 0 : 1;
            printRow("EEPROM write: backup read", t.backupMs, readFloorMs(eeprom));
            printRow("EEPROM write: the write itself", t.totalMs - t.backupMs,
                     writeFloorMs(eeprom));
            printRow("EEPROM write: in all", t.totalMs, readFloorMs(eeprom) + writeFloorMs(eeprom));
        } else {
            std::fprintf(stderr, "unknown transfer %s\n", qPrintable(what));
            status = 2;
        }
        std::fflush(stdout);
    }
    port.close();
    sim.stop();
    return status;
}
