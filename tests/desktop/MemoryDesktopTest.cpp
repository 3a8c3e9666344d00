// The memory commands in the real korvel on an X server, driven like a technician would: the
// service key sequence, the context menu, the file dialog, the transfer dialog running to its
// end; then a write of a file that is too short, which must be refused before anything of it
// reaches the indicator.
#include "link/DeviceMap.h"
#include "memory/ImageParser.h"
#include "memory/ImageWriter.h"
#include "memory/MemoryArea.h"
#include "memory/MemoryMessages.h"
#include "panel/ServiceSequence.h"
#include "ui/MessagePopup.h"
#include "ui/WindowPlacement.h"
#include "sim/Simulator.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <memory>

namespace korvel {
namespace {

constexpr QSize kScreen{1024, 768}; // as given to xvfb-run
constexpr QSize kWindow{555, 398};
const QPoint kOrigin{(kScreen.width() - kWindow.width()) / 2,
                     (kScreen.height() - kWindow.height()) / 3};

class MemoryDesktop : public ::testing::Test
{
protected:
    static inline std::unique_ptr<sim::Simulator> sim;
    static inline std::unique_ptr<QTemporaryDir> dir;
    static inline std::unique_ptr<QProcess> korvel;

    static QString copyPath() { return dir->filePath(QStringLiteral("korvel")); }

    static void SetUpTestSuite()
    {
        ASSERT_FALSE(qEnvironmentVariableIsEmpty("DISPLAY")) << "run under xvfb-run";
        sim = std::make_unique<sim::Simulator>(sim::SimOptions{});
        std::string error;
        ASSERT_TRUE(sim->start(&error)) << error;

        // A copy of its own: its folder is where its file dialogs start and its backups go.
        dir = std::make_unique<QTemporaryDir>();
        ASSERT_TRUE(QFile::copy(QStringLiteral(KORVEL_BIN_DIR "/korvel"), copyPath()));
        ASSERT_EQ(QProcess::execute(
                      QStringLiteral(KORVEL_BIN_DIR "/korvel-ini"),
                      {copyPath() + QStringLiteral(".ini"), QStringLiteral("Параметры COM-порта"),
                       QStringLiteral("COM-порт"), QString::fromStdString(sim->slavePath())}),
                  0);

        korvel = std::make_unique<QProcess>();
        korvel->setProcessChannelMode(QProcess::ForwardedChannels);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        korvel->setProcessEnvironment(env);
        korvel->start(copyPath(), {});
        ASSERT_TRUE(korvel->waitForStarted());
        ASSERT_TRUE(waitUntil([] { return displayReadsSince(0) > 0; }, 15000))
            << "korvel never polled";
    }

    static void TearDownTestSuite()
    {
        if (korvel && korvel->state() != QProcess::NotRunning) {
            korvel->terminate();
            if (!korvel->waitForFinished(5000)) {
                korvel->kill();
                korvel->waitForFinished();
            }
        }
        korvel.reset();
        sim.reset();
        dir.reset();
    }

    static bool waitUntil(const std::function<bool()>& condition, int boundMs)
    {
        QElapsedTimer t;
        t.start();
        while (!condition()) {
            if (t.elapsed() > boundMs)
                return false;
            QThread::msleep(20);
        }
        return true;
    }

    static std::size_t mark() { return sim->requests().size(); }

    static int countSince(std::size_t from,
                          const std::function<bool(const std::vector<std::uint8_t>&)>& is)
    {
        int n = 0;
        const auto r = sim->requests();
        for (std::size_t i = from; i < r.size(); ++i)
            n += r[i].crcValid && r[i].bytes.size() == 4 && is(r[i].bytes);
        return n;
    }
    static int displayReadsSince(std::size_t from)
    {
        return countSince(from, [](const auto& b) { return b[0] == 0x81 && b[1] == REG_DISPLAY; });
    }
    static int pageSelectsSince(std::size_t from)
    {
        return countSince(from, [](const auto& b) { return b[0] == 0x01 && b[1] == REG_PAGE; });
    }
    static int memoryWritesSince(std::size_t from)
    {
        return countSince(from, [](const auto& b) { return (b[0] & 0xC0) == ACCESS_MEM_WRITE; });
    }
    static int memoryReadsSince(std::size_t from)
    {
        return countSince(from, [](const auto& b) { return (b[0] & 0xC0) == ACCESS_MEM_READ; });
    }

    static void xdotool(const QStringList& args)
    {
        ASSERT_EQ(QProcess::execute(QStringLiteral("xdotool"), args), 0)
            << args.join(' ').toStdString();
    }

    static QString focusedWindowName()
    {
        QProcess p;
        p.start(QStringLiteral("xdotool"),
                {QStringLiteral("getwindowfocus"), QStringLiteral("getwindowname")});
        p.waitForFinished();
        return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    }

    static void clickAt(QPoint screen, int button)
    {
        xdotool({QStringLiteral("mousemove"), QString::number(screen.x()),
                 QString::number(screen.y()), QStringLiteral("sleep"), QStringLiteral("0.05"),
                 QStringLiteral("click"), QString::number(button)});
    }

    // The hidden sequence that shows the service commands (the first letter registers twice).
    static void typeServiceSequence()
    {
        QStringList args{QStringLiteral("keydown"), QStringLiteral("ctrl")};
        auto key = [&](char c) { args << QStringLiteral("key") << QString(QChar(c).toLower()); };
        key(ServiceSequence::CODE[0]);
        for (char c : ServiceSequence::CODE)
            key(c);
        args << QStringLiteral("keyup") << QStringLiteral("ctrl");
        xdotool(args);
    }

    // The n-th entry of the face's context menu (separators do not count), by keyboard.
    static void chooseMenuEntry(int n)
    {
        clickAt(kOrigin + QPoint(100, 107), 3);
        QThread::msleep(400);
        QStringList args;
        for (int i = 0; i < n; ++i)
            args << QStringLiteral("key") << QStringLiteral("Down");
        args << QStringLiteral("key") << QStringLiteral("Return");
        xdotool(args);
    }

    // Types a path into the file dialog titled `title` and accepts it. The window system's
    // title carries the program's name after the dialog's own.
    static bool dialogFocused(const QString& title)
    {
        return focusedWindowName().startsWith(title);
    }
    static void answerFileDialog(const QString& title, const QString& path)
    {
        ASSERT_TRUE(waitUntil([&] { return dialogFocused(title); }, 8000))
            << "no file dialog \"" << title.toStdString() << "\", focus on \""
            << focusedWindowName().toStdString() << "\"";
        xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("15"), path});
        // A completion list may take the first Return.
        for (int i = 0; i < 3 && dialogFocused(title); ++i) {
            xdotool({QStringLiteral("key"), QStringLiteral("Return")});
            waitUntil([&] { return !dialogFocused(title); }, 1000);
        }
        ASSERT_FALSE(dialogFocused(title)) << "the file dialog stayed open";
    }

    static QByteArray eepromImageText()
    {
        const MemoryArea area = MemoryArea::eeprom();
        QStringList lines;
        for (int p = area.firstPage; p < area.endPage; ++p)
            lines << FormatImagePage(sim->memoryPage(p).data());
        return ImageFileText(lines);
    }
};

TEST_F(MemoryDesktop, ReadEepromRunsToItsEndAndPollingResumes)
{
    typeServiceSequence();
    QThread::msleep(200);
    const std::size_t m = mark();
    chooseMenuEntry(2); // "Прочитать EEPROM"
    const QString target = dir->filePath(QStringLiteral("read.EEPROM"));
    answerFileDialog(QStringLiteral("Сохранить как"), target);

    ASSERT_TRUE(waitUntil([&] { return QFile::exists(target); }, 30000)) << "no file written";
    QFile f(target);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray text = f.readAll();
    EXPECT_EQ(text.size(), 6416);
    EXPECT_EQ(text, eepromImageText());
    EXPECT_EQ(pageSelectsSince(m), 8);
    EXPECT_EQ(memoryReadsSince(m), 8);

    const std::size_t after = mark();
    EXPECT_TRUE(waitUntil([&] { return displayReadsSince(after) > 0; }, 10000))
        << "polling did not resume";
}

TEST_F(MemoryDesktop, WriteOfTooFewValuesIsRefusedBeforeTheIndicatorIsTouched)
{
    const QString source = dir->filePath(QStringLiteral("few.EEPROM"));
    const QByteArray text = "00 01 02 03\r\n";
    {
        QFile f(source);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }
    const std::size_t m = mark();
    chooseMenuEntry(3); // "Записать EEPROM"
    answerFileDialog(QStringLiteral("Открыть"), source);
    const std::size_t during = mark();

    // The refusal popup comes up over the main window once the dialog has revealed itself.
    const PopupMessage refusal = ImageRefusal(ParseImageText(text), MemoryArea::eeprom());
    ASSERT_TRUE(refusal.text.contains(QStringLiteral("2048")));
    const TFormMessage::Geometry g =
        TFormMessage::geometryFor(refusal.extraWidth, refusal.okShift, refusal.extraHeight);
    const QPoint popup =
        PlaceOverWindow(QRect(kOrigin, kWindow), g.size, QRect(QPoint(0, 0), kScreen));
    QThread::msleep(3000);
    EXPECT_EQ(displayReadsSince(during), 0) << "the poll ran while the transfer held the link";
    clickAt(popup + g.okButton.center(), 1);

    const std::size_t after = mark();
    EXPECT_TRUE(waitUntil([&] { return displayReadsSince(after) > 0; }, 10000))
        << "the transfer did not end after the popup";
    EXPECT_EQ(memoryWritesSince(m), 0);
    EXPECT_EQ(pageSelectsSince(m), 0);
    EXPECT_EQ(memoryReadsSince(m), 0) << "not even a backup was read";
}

} // namespace
} // namespace korvel
