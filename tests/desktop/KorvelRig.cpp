#include "KorvelRig.h"

#include "link/Crc8.h"
#include "link/DeviceMap.h"
#include "link/SegmentCodes.h"
#include "panel/KeyTable.h"
#include "panel/ServiceSequence.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QThread>

#include <string_view>

namespace korvel::test {
namespace {

// Stable lamp on, row 1 "123.45", row 2 "t  678901".
std::array<std::uint8_t, DISPLAY_COUNT> steadyDisplay()
{
    auto code = [](char c) {
        for (const SegmentGlyphCode& g : SEGMENT_GLYPHS)
            if (g.text == c)
                return g.code;
        return std::uint8_t{0};
    };
    std::array<std::uint8_t, DISPLAY_COUNT> d{};
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

bool writeSetting(const QString& ini, const KorvelRig::Setting& s)
{
    const int exitCode = QProcess::execute(QStringLiteral(KORVEL_BIN_DIR "/korvel-ini"),
                                           {ini, s.section, s.key, s.value});
    EXPECT_EQ(exitCode, 0) << "korvel-ini " << s.section.toStdString() << " / "
                           << s.key.toStdString();
    return exitCode == 0;
}

// Standard output of an xdotool query, whatever its exit code (a search that finds nothing
// fails and prints nothing).
QString xdotoolOutput(const QStringList& args)
{
    QProcess p;
    p.start(QStringLiteral("xdotool"), args);
    p.waitForFinished();
    return QString::fromUtf8(p.readAllStandardOutput());
}

} // namespace

KorvelRig::KorvelRig(Options options)
{
    EXPECT_FALSE(qEnvironmentVariableIsEmpty("DISPLAY")) << "run under xvfb-run";
    if (options.stableLink)
        options.sim.linkPath = dir_.filePath(QStringLiteral("adapter.tty")).toStdString();
    sim_ = std::make_unique<sim::Simulator>(options.sim);
    std::string error;
    started_ = sim_->start(&error);
    EXPECT_TRUE(started_) << error;
    if (!started_)
        return;
    if (options.steadyDisplay)
        sim_->setDisplay(steadyDisplay());
    if (options.prepare)
        options.prepare(*sim_);

    const QString port =
        QString::fromStdString(options.stableLink ? options.sim.linkPath : sim_->slavePath());
    options.settings.insert(options.settings.begin(), {QStringLiteral("Параметры COM-порта"),
                                                       QStringLiteral("COM-порт"), port});
    started_ = QFile::copy(QStringLiteral(KORVEL_BIN_DIR "/korvel"), copyPath());
    EXPECT_TRUE(started_) << "no copy of korvel";
    for (const Setting& s : options.settings)
        started_ = started_ && writeSetting(copyPath() + QStringLiteral(".ini"), s);
    if (!started_)
        return;

    korvel_.setProcessChannelMode(QProcess::ForwardedChannels);
    startAnother(korvel_);
    started_ = korvel_.waitForStarted();
    EXPECT_TRUE(started_) << "korvel did not start";
    if (started_ && !options.answersAtStart) {
        // Its OK once the popup has unrolled (it sits centred over the face); again if it is
        // still there.
        waitUntil(
            [this] {
                if (visibleWindows() < 2)
                    return displayReadsSince(0) > 0;
                QThread::msleep(500);
                click(kSilentPopupOk);
                return false;
            },
            15000, 200);
    }
    // Polling: the keyboard unlock, then display reads.
    started_ = started_ && waitUntil([this] { return displayReadsSince(0) > 0; }, 15000);
    EXPECT_TRUE(started_) << "korvel never polled";
    // The pointer away from the window, so no hover look changes a picture.
    xdotool({QStringLiteral("mousemove"), QStringLiteral("0"), QStringLiteral("0")});
}

KorvelRig::~KorvelRig()
{
    if (korvel_.state() != QProcess::NotRunning) {
        korvel_.terminate();
        if (!korvel_.waitForFinished(10000)) {
            korvel_.kill();
            korvel_.waitForFinished();
        }
    }
    sim_.reset();
}

QString KorvelRig::copyPath() const
{
    return dir_.filePath(QStringLiteral("korvel"));
}

void KorvelRig::startAnother(QProcess& process) const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // The test process may be offscreen; korvel is on the X server.
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    process.setProcessEnvironment(env);
    process.start(copyPath(), {});
}

bool KorvelRig::waitUntil(const std::function<bool()>& pred, int boundMs, int stepMs)
{
    QElapsedTimer t;
    t.start();
    while (!pred()) {
        if (t.elapsed() > boundMs)
            return false;
        QThread::msleep(static_cast<unsigned long>(stepMs));
    }
    return true;
}

std::size_t KorvelRig::mark() const
{
    return sim_->requests().size();
}

std::vector<KorvelRig::Bytes> KorvelRig::requestsSince(std::size_t from) const
{
    std::vector<Bytes> out;
    const auto all = sim_->requests();
    for (std::size_t i = from; i < all.size(); ++i)
        out.push_back(all[i].bytes);
    return out;
}

int KorvelRig::countSince(std::size_t from, const std::function<bool(const Bytes&)>& is) const
{
    int n = 0;
    const auto all = sim_->requests();
    for (std::size_t i = from; i < all.size(); ++i)
        n += all[i].crcValid && all[i].bytes.size() == 4 && is(all[i].bytes);
    return n;
}

int KorvelRig::countSince(std::size_t from, const Bytes& request) const
{
    return countSince(from, [&](const Bytes& b) { return b == request; });
}

bool KorvelRig::waitForRequest(std::size_t from, const Bytes& request, int n, int boundMs) const
{
    return waitUntil([&] { return countSince(from, request) >= n; }, boundMs);
}

int KorvelRig::displayReadsSince(std::size_t from) const
{
    return countSince(from, [](const Bytes& b) {
        return (b[0] & 0xC0) == ACCESS_REG_READ && b[1] == REG_DISPLAY;
    });
}

KorvelRig::Writes KorvelRig::writesSince(std::size_t from, bool withMemory) const
{
    Writes out;
    const auto all = sim_->requests();
    for (std::size_t i = from; i < all.size(); ++i) {
        const Bytes& b = all[i].bytes;
        if (!all[i].crcValid || b.size() != 4)
            continue;
        if ((b[0] & 0xC0) == ACCESS_REG_WRITE)
            out.emplace_back(b[1], b[2]);
        else if (withMemory && (b[0] & 0xC0) == ACCESS_MEM_WRITE)
            out.emplace_back(b[1] + kMemoryWrite, b[2]);
    }
    return out;
}

KorvelRig::Writes KorvelRig::waitForWrites(std::size_t from, std::size_t count, int boundMs) const
{
    waitUntil([&] { return writesSince(from).size() >= count; }, boundMs);
    return writesSince(from);
}

KorvelRig::Bytes KorvelRig::request(std::uint8_t first, std::uint8_t reg, std::uint8_t value)
{
    Bytes r{first, reg, value};
    r.push_back(Crc8(r.data(), 3));
    return r;
}

void KorvelRig::xdotool(const QStringList& args)
{
    ASSERT_EQ(QProcess::execute(QStringLiteral("xdotool"), args), 0)
        << args.join(' ').toStdString();
}

void KorvelRig::click(QPoint inWindow, Click how)
{
    clickAt(kOrigin + inWindow, how);
}

void KorvelRig::clickAt(QPoint onScreen, Click how)
{
    QStringList args;
    if (how.ctrl)
        args << QStringLiteral("keydown") << QStringLiteral("ctrl");
    // No --sync: it waits for a movement that never comes when the pointer is already there.
    args << QStringLiteral("mousemove") << QString::number(onScreen.x())
         << QString::number(onScreen.y()) << QStringLiteral("sleep") << QStringLiteral("0.05")
         << QStringLiteral("click");
    if (how.repeat > 1)
        args << QStringLiteral("--repeat") << QString::number(how.repeat)
             << QStringLiteral("--delay") << QStringLiteral("80");
    args << QString::number(how.button);
    if (how.ctrl)
        args << QStringLiteral("keyup") << QStringLiteral("ctrl");
    if (how.away)
        args << QStringLiteral("mousemove") << QStringLiteral("0") << QStringLiteral("0");
    xdotool(args);
}

QPoint KorvelRig::keyCentre(const char* caption)
{
    for (const KeyDef& k : keyTable())
        if (std::string_view(k.caption) == caption)
            // Hit rectangles are in face coordinates, 8 pixels below the window's.
            return {(k.hitLeft + k.hitRight) / 2, (k.hitTop + k.hitBottom) / 2 - 8};
    ADD_FAILURE() << "no key " << caption;
    return {};
}

void KorvelRig::clickKey(const char* caption, Click how)
{
    click(keyCentre(caption), how);
}

void KorvelRig::chooseMenuEntry(QPoint inWindow, int n)
{
    click(inWindow, {.button = 3});
    QThread::msleep(400);
    QStringList args;
    for (int i = 0; i < n; ++i)
        args << QStringLiteral("key") << QStringLiteral("Down");
    args << QStringLiteral("key") << QStringLiteral("Return");
    xdotool(args);
}

void KorvelRig::typeServiceSequence()
{
    QStringList args{QStringLiteral("keydown"), QStringLiteral("ctrl")};
    auto key = [&](char c) { args << QStringLiteral("key") << QString(QChar(c).toLower()); };
    key(ServiceSequence::CODE[0]); // the first letter registers twice
    for (char c : ServiceSequence::CODE)
        key(c);
    args << QStringLiteral("keyup") << QStringLiteral("ctrl");
    xdotool(args);
}

QString KorvelRig::focusedWindowName()
{
    return xdotoolOutput({QStringLiteral("getwindowfocus"), QStringLiteral("getwindowname")})
        .trimmed();
}

void KorvelRig::answerFileDialog(const QString& title, const QString& path)
{
    // The window system's title carries the program's name after the dialog's own.
    auto focused = [&] { return focusedWindowName().startsWith(title); };
    ASSERT_TRUE(waitUntil(focused, 8000))
        << "no file dialog \"" << title.toStdString() << "\", focus on \""
        << focusedWindowName().toStdString() << "\"";
    xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("15"), path});
    // A completion list may take the first Return.
    for (int i = 0; i < 3 && focused(); ++i) {
        xdotool({QStringLiteral("key"), QStringLiteral("Return")});
        waitUntil([&] { return !focused(); }, 1000);
    }
    ASSERT_FALSE(focused()) << "the file dialog stayed open";
}

QSize KorvelRig::windowSize()
{
    int w = 0, h = 0;
    const QString shell = xdotoolOutput(
        {QStringLiteral("search"), QStringLiteral("--name"), QStringLiteral("Korvel 1X - 3X"),
         QStringLiteral("getwindowgeometry"), QStringLiteral("--shell")});
    for (const QString& line : shell.split('\n')) {
        if (line.startsWith(QStringLiteral("WIDTH=")))
            w = line.mid(6).toInt();
        if (line.startsWith(QStringLiteral("HEIGHT=")))
            h = line.mid(7).toInt();
    }
    return {w, h};
}

void KorvelRig::resizeWindow(QSize size)
{
    xdotool({QStringLiteral("search"), QStringLiteral("--name"), QStringLiteral("Korvel 1X - 3X"),
             QStringLiteral("windowsize"), QString::number(size.width()),
             QString::number(size.height())});
}

void KorvelRig::screenshot(const char* name)
{
    const QString folder = qEnvironmentVariable("KORVEL_SCREENSHOTS");
    if (!folder.isEmpty())
        QProcess::execute(
            QStringLiteral("import"),
            {QStringLiteral("-window"), QStringLiteral("root"),
             folder + QLatin1Char('/') + QString::fromUtf8(name) + QStringLiteral(".png")});
}

QStringList KorvelRig::visibleWindowIds() const
{
    QStringList ids;
    for (const QString& line :
         xdotoolOutput({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                        QStringLiteral("--pid"), QString::number(korvel_.processId())})
             .split('\n'))
        if (!line.trimmed().isEmpty())
            ids << line.trimmed();
    return ids;
}

QImage KorvelRig::grabWindow()
{
    return QGuiApplication::primaryScreen()
        ->grabWindow(0, kOrigin.x(), kOrigin.y(), kWindow.width(), kWindow.height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

QImage KorvelRig::waitForPicture(const QImage& expected, bool differ, int boundMs)
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

long KorvelRig::anonymousKb() const
{
    QFile status(QStringLiteral("/proc/%1/status").arg(korvel_.processId()));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("RssAnon:"))
            return line.mid(8).trimmed().split(' ').first().toLong();
    return -1;
}

int KorvelRig::descriptors(bool terminalsOnly) const
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

} // namespace korvel::test
