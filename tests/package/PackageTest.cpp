// The Debian package as a user gets it: unpacked into a temporary folder (dpkg-deb -x), its menu
// entry and icon checked, and the unpacked korvel run offscreen against the unpacked korvel-sim.
#include "support/WaitFor.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStringDecoder>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <map>
#include <memory>

namespace {

const QString kBinDir = QStringLiteral(KORVEL_BIN_DIR);
const QString kDisplayRead = QStringLiteral(" 81 2A 0F F1 crc=ok");
const QString kUnlock = QStringLiteral(" 01 FF 11 B6 crc=ok");

struct Outcome
{
    int exitCode = -1;
    QString out;
    QString err;
};

Outcome run(const QString& program, const QStringList& args,
            const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment())
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(program, args);
    Outcome r;
    if (p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit)
        r.exitCode = p.exitCode();
    r.out = QString::fromLocal8Bit(p.readAllStandardOutput());
    r.err = QString::fromLocal8Bit(p.readAllStandardError());
    return r;
}

QStringList filesBelow(const QString& folder)
{
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next();
    files.sort();
    return files;
}

// The key=value lines of the [Desktop Entry] group (no localised keys).
std::map<QString, QString> desktopEntry(const QString& path)
{
    std::map<QString, QString> keys;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        return keys;
    for (const QString& line : QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'))) {
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq > 0 && !line.startsWith(QLatin1Char('#')))
            keys[line.left(eq)] = line.mid(eq + 1);
    }
    return keys;
}

// A process that is killed if the test ends early; its output goes to files in `dir`.
struct Child
{
    std::unique_ptr<QProcess> process = std::make_unique<QProcess>();

    void start(const QString& program, const QStringList& args, const QProcessEnvironment& env,
               const QString& logPrefix)
    {
        process->setProcessEnvironment(env);
        process->setStandardOutputFile(logPrefix + QStringLiteral(".out"));
        process->setStandardErrorFile(logPrefix + QStringLiteral(".err"));
        process->start(program, args);
    }
    bool running() const { return process->state() == QProcess::Running; }
    int terminateAndWait()
    {
        ::kill(static_cast<pid_t>(process->processId()), SIGTERM);
        if (!process->waitForFinished(20000) || process->exitStatus() != QProcess::NormalExit)
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

class Package : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        const QStringList debs =
            QDir(QStringLiteral(KORVEL_PACKAGE_DIR)).entryList({QStringLiteral("korvel_*.deb")});
        ASSERT_EQ(debs.size(), 1) << "the package_build fixture makes one package";
        deb = QStringLiteral(KORVEL_PACKAGE_DIR "/") + debs.first();
        unpacked = std::make_unique<QTemporaryDir>();
        ASSERT_TRUE(unpacked->isValid());
        const Outcome x = run(QStringLiteral("dpkg-deb"), {QStringLiteral("-x"), deb, root()});
        ASSERT_EQ(x.exitCode, 0) << x.err.toStdString();
    }
    static void TearDownTestSuite() { unpacked.reset(); }

    static QString root() { return unpacked->path(); }
    static QString path(const QString& relative) { return QDir(root()).filePath(relative); }
    static QString field(const QString& name)
    {
        return run(QStringLiteral("dpkg-deb"), {QStringLiteral("-f"), deb, name}).out.trimmed();
    }

    static inline QString deb;
    static inline std::unique_ptr<QTemporaryDir> unpacked;
};

TEST_F(Package, HoldsBothProgramsAMenuEntryThatValidatesItsIconAndTheDataFolder)
{
    for (const char* program : {"usr/bin/korvel", "usr/bin/korvel-sim"}) {
        EXPECT_TRUE(QFileInfo(path(QLatin1String(program))).isExecutable()) << program;
    }
    EXPECT_TRUE(QFileInfo(path(QStringLiteral("usr/share/korvel"))).isDir());
    EXPECT_TRUE(QFileInfo::exists(path(QStringLiteral("usr/share/doc/korvel/README.md"))));

    const QString entryFile = path(QStringLiteral("usr/share/applications/korvel.desktop"));
    const Outcome validate = run(QStringLiteral("desktop-file-validate"), {entryFile});
    EXPECT_EQ(validate.exitCode, 0);
    EXPECT_EQ(validate.out + validate.err, QString());

    // The entry starts a program of the package and shows an icon of the package.
    auto entry = desktopEntry(entryFile);
    EXPECT_EQ(entry["Name"], QStringLiteral("Korvel 1X-3X"));
    EXPECT_TRUE(entry["Categories"].split(';').contains(QStringLiteral("Utility")));
    EXPECT_TRUE(entry["Categories"].split(';').contains(QStringLiteral("Engineering")));
    EXPECT_TRUE(entry["Comment"].contains(QStringLiteral("весов"), Qt::CaseInsensitive));
    EXPECT_TRUE(QFileInfo(path(QStringLiteral("usr/bin/") + entry["Exec"])).isExecutable());
    const QString icon =
        path(QStringLiteral("usr/share/icons/hicolor/scalable/apps/") + entry["Icon"] + ".svg");
    EXPECT_TRUE(QSvgRenderer(icon).isValid()) << icon.toStdString();

    // Dependencies come from what the binaries link.
    const QString depends = field(QStringLiteral("Depends"));
    for (const char* library : {"libqt6core6", "libqt6widgets6", "libqt6svg6", "libstdc++6"})
        EXPECT_TRUE(depends.contains(QLatin1String(library))) << depends.toStdString();

    const Outcome version =
        run(path(QStringLiteral("usr/bin/korvel")), {QStringLiteral("--version")});
    EXPECT_EQ(version.out, QStringLiteral("korvel ") + field(QStringLiteral("Version")) + '\n');
}

// The unpacked program counts as installed: its settings live in the user's XDG folder, it
// polls the indicator, and a SIGTERM closes it the normal way (indicator released, chart
// settings saved). Nothing is written into the unpacked tree.
TEST_F(Package, UnpackedKorvelKeepsItsSettingsPerUserPollsAndClosesOnSigterm)
{
    QTemporaryDir user;
    ASSERT_TRUE(user.isValid());
    const QString config = user.filePath(QStringLiteral("config"));
    const QString settings = config + QStringLiteral("/korvel/korvel.ini");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), user.path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), config);
    env.insert(QStringLiteral("XDG_DATA_HOME"), user.filePath(QStringLiteral("data")));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.remove(QStringLiteral("DISPLAY"));

    const QString korvel = path(QStringLiteral("usr/bin/korvel"));
    const Outcome help = run(korvel, {QStringLiteral("--help")}, env);
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.contains(QStringLiteral("Settings file: ") + settings + '\n'))
        << help.out.toStdString();
    EXPECT_FALSE(QFileInfo::exists(config)) << "--help wrote";

    // The port, and a time window the chart field clamps (150 s shows 99), so that the exit
    // save has something to write.
    const QString link = user.filePath(QStringLiteral("indicator"));
    const QString log = user.filePath(QStringLiteral("sim.log"));
    QDir().mkpath(config + QStringLiteral("/korvel"));
    const QString ini = kBinDir + QStringLiteral("/korvel-ini");
    ASSERT_EQ(QProcess::execute(ini, {settings, QStringLiteral("Параметры COM-порта"),
                                      QStringLiteral("COM-порт"), link}),
              0);
    ASSERT_EQ(QProcess::execute(ini, {settings, QStringLiteral("График"),
                                      QStringLiteral("Время(с)"), QStringLiteral("150")}),
              0);
    const QStringList treeBefore = filesBelow(root());

    Child sim;
    sim.start(path(QStringLiteral("usr/bin/korvel-sim")),
              {QStringLiteral("--link"), link, QStringLiteral("--log"), log}, env,
              user.filePath(QStringLiteral("sim")));
    ASSERT_TRUE(korvel::test::waitFor(
        [&] { return QFileInfo::exists(link) && QFileInfo::exists(log); }, 30000, 20));

    const auto logLines = [&] {
        QFile f(log);
        if (!f.open(QIODevice::ReadOnly))
            return QStringList();
        return QString::fromLatin1(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    };
    const auto displayReads = [&] {
        int n = 0;
        for (const QString& line : logLines())
            n += line.endsWith(kDisplayRead);
        return n;
    };

    Child app;
    app.start(korvel, {}, env, user.filePath(QStringLiteral("korvel")));
    ASSERT_TRUE(korvel::test::waitFor([&] { return displayReads() >= 3; }, 30000, 20))
        << logLines().join('\n').toStdString();
    EXPECT_TRUE(logLines().first().endsWith(kUnlock));

    EXPECT_EQ(app.terminateAndWait(), 0);
    const QStringList lines = logLines();
    ASSERT_GE(lines.size(), 2);
    EXPECT_TRUE(lines[lines.size() - 2].endsWith(kUnlock)) << lines.join('\n').toStdString();

    QFile f(settings);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    QStringDecoder cp1251("windows-1251");
    const QString text = cp1251.decode(f.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral("Время(с)=99"))) << text.toStdString();
    EXPECT_EQ(filesBelow(root()), treeBefore) << "the program wrote into its installed tree";
}

} // namespace
