// The real korvel program against korvel-sim, both as processes: start-up connects and
// polls, a termination signal closes it the normal way, and one copy runs per executable.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include "support/WaitFor.h"

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <memory>

namespace {

const QString kBinDir = QStringLiteral(KORVEL_BIN_DIR);
const QString kDisplayRead = QStringLiteral(" 81 2A 0F F1 crc=ok");
const QString kUnlock = QStringLiteral(" 01 FF 11 B6 crc=ok");

bool waitFor(const std::function<bool()>& pred, int boundMs = 30000)
{
    return korvel::test::waitFor(pred, boundMs, 20);
}

// A process that is killed if the test ends early; its output goes to files in `dir`.
struct Child
{
    std::unique_ptr<QProcess> process = std::make_unique<QProcess>();

    void start(const QString& program, const QStringList& args, const QString& dir,
               const QString& name)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        process->setProcessEnvironment(env);
        process->setStandardOutputFile(dir + QLatin1Char('/') + name + QStringLiteral(".out"));
        process->setStandardErrorFile(dir + QLatin1Char('/') + name + QStringLiteral(".err"));
        process->start(program, args);
    }
    bool running() const { return process->state() == QProcess::Running; }
    void terminate() { ::kill(static_cast<pid_t>(process->processId()), SIGTERM); }
    // Exit code after a normal exit; -1 when it did not end or crashed.
    int waitForExit(int boundMs = 20000)
    {
        if (!process->waitForFinished(boundMs) || process->exitStatus() != QProcess::NormalExit)
            return -1;
        return process->exitCode();
    }
    ~Child()
    {
        if (running()) {
            process->kill();
            process->waitForFinished(5000);
        }
    }
};

// One folder holding a copy of korvel (so its korvel.ini sits beside it) and its own simulator.
struct Installation
{
    QTemporaryDir dir;
    QString exe;
    QString log;
    Child sim;

    bool setUp()
    {
        if (!dir.isValid())
            return false;
        exe = dir.filePath(QStringLiteral("korvel"));
        log = dir.filePath(QStringLiteral("sim.log"));
        const QString link = dir.filePath(QStringLiteral("indicator"));
        if (!QFile::copy(kBinDir + QStringLiteral("/korvel"), exe))
            return false;
        QFile::setPermissions(exe, QFile::permissions(exe) | QFileDevice::ExeOwner);
        const int iniRc = QProcess::execute(kBinDir + QStringLiteral("/korvel-ini"),
                                            {dir.filePath(QStringLiteral("korvel.ini")),
                                             QStringLiteral("Параметры COM-порта"),
                                             QStringLiteral("COM-порт"), link});
        if (iniRc != 0)
            return false;
        sim.start(kBinDir + QStringLiteral("/korvel-sim"),
                  {QStringLiteral("--link"), link, QStringLiteral("--log"), log}, dir.path(),
                  QStringLiteral("sim"));
        return waitFor([&] { return QFileInfo::exists(link) && QFileInfo::exists(log); });
    }

    QStringList logLines() const
    {
        QFile f(log);
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return QString::fromLatin1(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    int count(const QString& request) const
    {
        int n = 0;
        for (const QString& line : logLines())
            n += line.endsWith(request);
        return n;
    }
    bool waitForDisplayReads(int atLeast)
    {
        return waitFor([&] { return count(kDisplayRead) >= atLeast; });
    }
    void startKorvel(Child& korvel, const QString& name = QStringLiteral("korvel"))
    {
        korvel.start(exe, {}, dir.path(), name);
    }
};

TEST(KorvelProcess, PollsTheIndicatorAndReleasesItOnTermination)
{
    Installation inst;
    ASSERT_TRUE(inst.setUp());
    Child korvel;
    inst.startKorvel(korvel);
    ASSERT_TRUE(inst.waitForDisplayReads(3)) << inst.logLines().join('\n').toStdString();
    ASSERT_TRUE(korvel.running());

    const QStringList start = inst.logLines();
    ASSERT_FALSE(start.isEmpty());
    EXPECT_TRUE(start.first().endsWith(kUnlock)) << start.first().toStdString();

    korvel.terminate();
    EXPECT_EQ(korvel.waitForExit(), 0);
    const QStringList lines = inst.logLines();
    ASSERT_GE(lines.size(), 2);
    EXPECT_TRUE(lines[lines.size() - 2].endsWith(kUnlock)) << lines[lines.size() - 2].toStdString();
    // 252 <- 0 hands the outputs back; its CRC byte follows.
    const QString last = lines.last();
    EXPECT_TRUE(last.contains(QStringLiteral(" 01 FC 00 ")) &&
                last.endsWith(QStringLiteral(" crc=ok")))
        << last.toStdString();
}

// A second start of the same file hands over and ends; a copy in another folder is another
// program as far as this rule goes and runs beside the first.
TEST(KorvelProcess, OneRunningCopyPerExecutableFile)
{
    Installation first;
    ASSERT_TRUE(first.setUp());
    Child a;
    first.startKorvel(a);
    ASSERT_TRUE(first.waitForDisplayReads(1));

    Child again;
    first.startKorvel(again, QStringLiteral("korvel-again"));
    EXPECT_EQ(again.waitForExit(), 0);
    ASSERT_TRUE(a.running());
    const int readsSoFar = first.count(kDisplayRead);
    EXPECT_TRUE(first.waitForDisplayReads(readsSoFar + 2)) << "the first copy goes on polling";
    EXPECT_EQ(first.count(kUnlock), 1) << "the second start never opened the port";

    Installation other;
    ASSERT_TRUE(other.setUp());
    Child b;
    other.startKorvel(b);
    ASSERT_TRUE(other.waitForDisplayReads(2));
    EXPECT_TRUE(a.running());
    EXPECT_TRUE(b.running());

    a.terminate();
    b.terminate();
    EXPECT_EQ(a.waitForExit(), 0);
    EXPECT_EQ(b.waitForExit(), 0);
}

} // namespace
