// --version and --help: which arguments ask for them, and the real program answering them
// without a display.
#include "app/CommandLine.h"

#include <QProcess>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace korvel {
namespace {

TEST(CommandLine, TheFirstOfHelpOrVersionDecidesAndEverythingElseStarts)
{
    using A = CommandLine::Action;
    const std::pair<QStringList, A> cases[] = {
        {{}, A::Start},
        {{"--help"}, A::PrintHelp},
        {{"-h"}, A::PrintHelp},
        {{"--version"}, A::PrintVersion},
        {{"--version", "--help"}, A::PrintVersion},
        // Qt's own options go on to Qt, as before.
        {{"-platform", "offscreen"}, A::Start},
        {{"-platform", "offscreen", "--help"}, A::PrintHelp},
        {{"--helpme"}, A::Start},
        {{"-version"}, A::Start},
    };
    for (const auto& [arguments, action] : cases) {
        SCOPED_TRACE(arguments.join(' ').toStdString());
        EXPECT_EQ(CommandLine::parse(arguments), action);
    }
}

// The program answers on standard output and ends before it needs a window system: a display
// it cannot reach would make it fail.
TEST(CommandLine, TheProgramAnswersWithoutADisplay)
{
    const QString korvel = QStringLiteral(KORVEL_BIN_DIR "/korvel");
    const auto run = [&](const QString& option) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        p.setProcessEnvironment(env);
        p.start(korvel, {option});
        EXPECT_TRUE(p.waitForFinished(20000));
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
        return QString::fromLocal8Bit(p.readAllStandardOutput());
    };

    EXPECT_TRUE(QRegularExpression(QStringLiteral("^korvel \\d+\\.\\d+(\\.\\d+)*\\n$"))
                    .match(run(QStringLiteral("--version")))
                    .hasMatch());

    // Run from the build tree, the program keeps its settings beside itself.
    const QString help = run(QStringLiteral("--help"));
    EXPECT_TRUE(help.startsWith(QStringLiteral("Usage: korvel"))) << help.toStdString();
    EXPECT_TRUE(help.contains(QStringLiteral("Settings file: " KORVEL_BIN_DIR "/korvel.ini\n")))
        << help.toStdString();
    EXPECT_TRUE(help.contains(QStringLiteral("korvel-sim"))) << help.toStdString();
}

} // namespace
} // namespace korvel
