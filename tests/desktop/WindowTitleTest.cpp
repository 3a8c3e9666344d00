// The main window's names as an X server holds them: the real korvel under Xvfb, read back
// with xdotool and xprop. The title must be exact, as the framed chart view shows it in its
// caption and the window manager reads it from _NET_WM_NAME.
#include "KorvelRig.h"

#include <QFileInfo>
#include <QProcess>

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
    test::KorvelRig rig;
    ASSERT_TRUE(rig.started());

    QString window;
    ASSERT_TRUE(test::KorvelRig::waitUntil(
        [&] {
            window = rig.visibleWindowIds().join(QLatin1Char('\n'));
            return !window.isEmpty();
        },
        15000, 100))
        << "korvel showed no window";
    ASSERT_FALSE(window.contains(QLatin1Char('\n')))
        << "more than one window: " << window.toStdString();

    const std::string title =
        " Korvel 1X - 3X, " + QFileInfo(rig.copyPath()).canonicalFilePath().toStdString();
    // What window managers put in the caption, and the older name beside it.
    EXPECT_EQ(windowProperty(window, "_NET_WM_NAME"), title);
    EXPECT_EQ(windowProperty(window, "WM_NAME"), title);
    // The application's own title is the name for the taskbar button and the minimised window.
    EXPECT_EQ(windowProperty(window, "_NET_WM_ICON_NAME"), "Korvel 1X-3X");
}

} // namespace
} // namespace korvel
