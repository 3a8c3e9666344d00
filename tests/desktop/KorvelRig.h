#pragma once
// The real korvel on the X server the test runs on, against an in-process korvel-sim behind a
// stable link (the port's name survives the simulated adapter being pulled and replugged).
// The test process itself runs on xcb, so it can read the screen back; it looks at korvel only
// from outside: the frames the simulator received, the window's pixels, /proc.
#include "link/SegmentCodes.h"
#include "panel/KeyTable.h"
#include "sim/Simulator.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <QThread>

#include <functional>
#include <memory>
#include <string_view>

namespace korvel::test {

class KorvelRig
{
public:
    using Write = std::pair<int, int>; // register, value

    static constexpr QSize kScreen{1024, 768}; // as given to xvfb-run
    static constexpr QSize kWindow{555, 398};
    // Where the main window places itself: centred across, a third down.
    static constexpr QPoint kOrigin{(kScreen.width() - kWindow.width()) / 2,
                                    (kScreen.height() - kWindow.height()) / 3};

    // A display that never changes by itself, so that two pictures of the window compare
    // equal: stable lamp on, row 1 "123.45", row 2 "t  678901".
    static std::array<std::uint8_t, 16> fixedDisplay()
    {
        auto code = [](char c) {
            for (const SegmentGlyphCode& g : SEGMENT_GLYPHS)
                if (g.text == c)
                    return g.code;
            return std::uint8_t{0};
        };
        std::array<std::uint8_t, 16> d{};
        d[0] = 0x40; // stable
        const char* row1 = " 12345";
        const char* row2 = "t  678901";
        for (int i = 0; i < 6; ++i)
            d[1 + i] = code(row1[i]);
        d[4] |= SEGMENT_POINT;
        for (int i = 0; i < 9; ++i)
            d[7 + i] = code(row2[i]);
        return d;
    }

    explicit KorvelRig(sim::SimOptions options = {})
    {
        EXPECT_FALSE(qEnvironmentVariableIsEmpty("DISPLAY")) << "run under xvfb-run";
        options.linkPath = dir_.filePath(QStringLiteral("adapter.tty")).toStdString();
        sim_ = std::make_unique<sim::Simulator>(options);
        std::string error;
        started_ = sim_->start(&error);
        EXPECT_TRUE(started_) << error;
        sim_->setDisplay(fixedDisplay());

        // A copy of its own: its settings file and its single-instance key are the test's.
        const QString copy = dir_.filePath(QStringLiteral("korvel"));
        started_ = started_ && QFile::copy(QStringLiteral(KORVEL_BIN_DIR "/korvel"), copy) &&
                   QProcess::execute(
                       QStringLiteral(KORVEL_BIN_DIR "/korvel-ini"),
                       {copy + QStringLiteral(".ini"), QStringLiteral("Параметры COM-порта"),
                        QStringLiteral("COM-порт"), QString::fromStdString(options.linkPath)}) == 0;
        EXPECT_TRUE(started_);
        korvel_.setProcessChannelMode(QProcess::ForwardedChannels);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        korvel_.setProcessEnvironment(env);
        korvel_.start(copy, {});
        started_ = started_ && korvel_.waitForStarted();
        // Polling: the keyboard unlock, then display reads.
        started_ = started_ && waitUntil([this] { return displayReadsSince(0) > 0; }, 15000);
        EXPECT_TRUE(started_) << "korvel never polled";
        // The pointer away from the window, so no hover look changes a picture.
        QProcess::execute(QStringLiteral("xdotool"),
                          {QStringLiteral("mousemove"), QStringLiteral("0"), QStringLiteral("0")});
    }

    ~KorvelRig()
    {
        if (korvel_.state() != QProcess::NotRunning) {
            korvel_.terminate(); // SIGTERM closes the window normally
            if (!korvel_.waitForFinished(10000)) {
                korvel_.kill();
                korvel_.waitForFinished();
            }
        }
        sim_.reset();
    }

    bool started() const { return started_; }
    sim::Simulator& sim() { return *sim_; }
    QProcess& process() { return korvel_; }

    static bool waitUntil(const std::function<bool()>& pred, int boundMs)
    {
        QElapsedTimer t;
        t.start();
        while (!pred()) {
            if (t.elapsed() > boundMs)
                return false;
            QThread::msleep(20);
        }
        return true;
    }

    std::size_t mark() const { return sim_->requests().size(); }
    std::vector<Write> writesSince(std::size_t from) const
    {
        std::vector<Write> out;
        const auto requests = sim_->requests();
        for (std::size_t i = from; i < requests.size(); ++i) {
            const auto& b = requests[i].bytes;
            if (requests[i].crcValid && b.size() == 4 && (b[0] & 0xC0) == 0)
                out.emplace_back(b[1], b[2]);
        }
        return out;
    }
    int displayReadsSince(std::size_t from) const
    {
        int n = 0;
        const auto requests = sim_->requests();
        for (std::size_t i = from; i < requests.size(); ++i) {
            const auto& b = requests[i].bytes;
            n += requests[i].crcValid && b.size() == 4 && (b[0] & 0xC0) == 0x80 && b[1] == 0x2A;
        }
        return n;
    }

    // The main window as the X server shows it.
    static QImage grabWindow()
    {
        return QGuiApplication::primaryScreen()
            ->grabWindow(0, kOrigin.x(), kOrigin.y(), kWindow.width(), kWindow.height())
            .toImage()
            .convertToFormat(QImage::Format_RGB32);
    }
    // Waits until the window looks like `expected` (or, with `differ`, unlike it) and stays so
    // for a moment; the picture it settled on.
    static QImage waitForPicture(const QImage& expected, bool differ, int boundMs)
    {
        QImage now;
        waitUntil(
            [&] {
                now = grabWindow();
                if ((now == expected) == differ)
                    return false;
                QThread::msleep(150);
                return grabWindow() == now;
            },
            boundMs);
        return now;
    }

    // Descriptors the process holds: all of them, and those on terminals (the port).
    int openDescriptors() const { return descriptors(false); }
    int terminalDescriptors() const { return descriptors(true); }

    long residentKb() const
    {
        QFile status(QStringLiteral("/proc/%1/status").arg(korvel_.processId()));
        if (!status.open(QIODevice::ReadOnly))
            return -1;
        for (const QByteArray& line : status.readAll().split('\n'))
            if (line.startsWith("VmRSS:"))
                return line.mid(6).trimmed().split(' ').first().toLong();
        return -1;
    }

    // Visible top-level windows of the process (the main window; popups would add to it).
    int visibleWindows() const
    {
        QProcess p;
        p.start(QStringLiteral("xdotool"),
                {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--pid"),
                 QString::number(korvel_.processId())});
        p.waitForFinished();
        int n = 0;
        for (const QByteArray& line : p.readAllStandardOutput().split('\n'))
            n += !line.trimmed().isEmpty();
        return n;
    }

    // A click on a key of the face, as a user does it.
    static void clickKey(const char* caption)
    {
        for (const KeyDef& k : keyTable()) {
            if (std::string_view(k.caption) != caption)
                continue;
            // Hit rectangles are in face coordinates, 8 pixels below the window's.
            const QPoint s =
                kOrigin + QPoint((k.hitLeft + k.hitRight) / 2, (k.hitTop + k.hitBottom) / 2 - 8);
            QProcess::execute(QStringLiteral("xdotool"),
                              {QStringLiteral("mousemove"), QString::number(s.x()),
                               QString::number(s.y()), QStringLiteral("sleep"),
                               QStringLiteral("0.05"), QStringLiteral("click"), QStringLiteral("1"),
                               QStringLiteral("mousemove"), QStringLiteral("0"),
                               QStringLiteral("0")});
            return;
        }
        ADD_FAILURE() << "no key " << caption;
    }

private:
    int descriptors(bool terminalsOnly) const
    {
        const QDir fds(QStringLiteral("/proc/%1/fd").arg(korvel_.processId()));
        int n = 0;
        for (const QFileInfo& fd : fds.entryInfoList(QDir::System | QDir::NoDotAndDotDot)) {
            // Standard input and output may be the terminal the test was started from.
            const bool standard = fd.fileName().toInt() <= 2;
            n += !terminalsOnly ||
                 (!standard && fd.symLinkTarget().startsWith(QStringLiteral("/dev/pts/")));
        }
        return n;
    }

    QTemporaryDir dir_;
    std::unique_ptr<sim::Simulator> sim_;
    QProcess korvel_;
    bool started_ = false;
};

} // namespace korvel::test
