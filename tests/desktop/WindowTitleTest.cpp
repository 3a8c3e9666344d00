// The main window's names as an X server holds them: the real korvel under Xvfb, read back
// with xdotool and xprop. The title must be exact, as the framed chart view shows it in its
// caption and the window manager reads it from _NET_WM_NAME.
#include "sim/Simulator.h"
#include "support/WaitFor.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

namespace korvel {
namespace {

// Output of a helper program, or an empty string when it fails.
QString run(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(10000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return {};
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

// The text of one string property of an X window ("" when it is unset).
std::string windowProperty(const QString& window, const char* property)
{
    const QString line =
        run(QStringLiteral("xprop"), {QStringLiteral("-notype"), QStringLiteral("-id"), window,
                                      QString::fromLatin1(property)});
    const int open = line.indexOf(QLatin1Char('"'));
    const int close = line.lastIndexOf(QLatin1Char('"'));
    return open >= 0 && close > open ? line.mid(open + 1, close - open - 1).toStdString()
                                     : std::string();
}

TEST(DesktopWindowTitle, IsExactlyTheTitleWithTheExecutablesPath)
{
    ASSERT_FALSE(qEnvironmentVariableIsEmpty("DISPLAY")) << "run under xvfb-run";
    sim::Simulator simulator(sim::SimOptions{});
    std::string error;
    ASSERT_TRUE(simulator.start(&error)) << error;

    // A copy of its own: its settings file and its single-instance key are the test's.
    QTemporaryDir dir;
    const QString copy = dir.filePath(QStringLiteral("korvel"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(KORVEL_BIN_DIR "/korvel"), copy));
    ASSERT_EQ(QProcess::execute(QStringLiteral(KORVEL_BIN_DIR "/korvel-ini"),
                                {copy + QStringLiteral(".ini"),
                                 QStringLiteral("Параметры COM-порта"), QStringLiteral("COM-порт"),
                                 QString::fromStdString(simulator.slavePath())}),
              0);

    QProcess korvel;
    korvel.setProcessChannelMode(QProcess::ForwardedChannels);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    korvel.setProcessEnvironment(env);
    korvel.start(copy, {});
    ASSERT_TRUE(korvel.waitForStarted());

    QString window;
    ASSERT_TRUE(test::waitFor(
        [&] {
            window = run(QStringLiteral("xdotool"),
                         {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                          QStringLiteral("--pid"), QString::number(korvel.processId())});
            return !window.isEmpty();
        },
        15000, 100))
        << "korvel showed no window";
    ASSERT_FALSE(window.contains(QLatin1Char('\n')))
        << "more than one window: " << window.toStdString();

    const std::string title =
        " Korvel 1X - 3X, " + QFileInfo(copy).canonicalFilePath().toStdString();
    // What window managers put in the caption, and the older name beside it.
    EXPECT_EQ(windowProperty(window, "_NET_WM_NAME"), title);
    EXPECT_EQ(windowProperty(window, "WM_NAME"), title);
    // The application's own title is the name for the taskbar button and the minimised window.
    EXPECT_EQ(windowProperty(window, "_NET_WM_ICON_NAME"), "Korvel 1X-3X");

    korvel.terminate();
    if (!korvel.waitForFinished(10000)) {
        korvel.kill();
        korvel.waitForFinished();
    }
}

} // namespace
} // namespace korvel
