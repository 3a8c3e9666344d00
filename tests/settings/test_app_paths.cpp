// Where a copy of the program keeps its files: beside its executable when run from a build or
// portable folder, in the user's XDG folders when it is installed.
#include "settings/AppPaths.h"
#include "settings/SettingsStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <vector>

using namespace korvel;

namespace {

// Sets environment variables for one test and puts the previous values back.
class EnvGuard
{
public:
    void set(const char* name, const std::optional<QString>& value)
    {
        if (!saved_.count(name))
            saved_[name] = qEnvironmentVariableIsSet(name)
                               ? std::optional<QByteArray>(qgetenv(name))
                               : std::nullopt;
        if (value)
            qputenv(name, value->toLocal8Bit());
        else
            qunsetenv(name);
    }
    ~EnvGuard()
    {
        for (const auto& [name, value] : saved_) {
            if (value)
                qputenv(name, *value);
            else
                qunsetenv(name);
        }
    }

private:
    std::map<const char*, std::optional<QByteArray>> saved_;
};

QStringList filesBelow(const QString& folder)
{
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next();
    files.sort();
    return files;
}

// A temporary root with a home folder; `root` and `home` stand for them in the cases below.
struct Layout
{
    QTemporaryDir dir;
    EnvGuard env;

    QString path(const QString& relative) const { return QDir(dir.path()).filePath(relative); }
    QString expand(QString text) const
    {
        text.replace(QStringLiteral("<home>"), path(QStringLiteral("home")));
        return text.replace(QStringLiteral("<root>"), dir.path());
    }
    void makeFolder(const QString& relative) const { QDir().mkpath(path(relative)); }
};

} // namespace

TEST(AppPaths, PlacesFollowTheLayoutAroundTheExecutable)
{
    struct Case
    {
        const char* name;
        QString executable;
        QString dataFolder; // created before the places are asked for; empty: none
        std::optional<QString> xdgConfig;
        std::optional<QString> xdgData;
        bool installed;
        QString settings;
        QString dialogs;
        QString backups;
    };
    const std::vector<Case> cases = {
        {"build folder", "build/bin/korvel", "", "<root>/cfg", "<root>/data", false,
         "<root>/build/bin/korvel.ini", "<root>/build/bin", "<root>/build/bin/backup"},
        // Only ../share/korvel counts: a share folder beside the executable is a portable
        // folder's own business.
        {"portable folder", "portable/korvel", "portable/share/korvel", "<root>/cfg", "<root>/data",
         false, "<root>/portable/korvel.ini", "<root>/portable", "<root>/portable/backup"},
        {"installed, XDG folders set", "usr/bin/korvel", "usr/share/korvel", "<root>/cfg",
         "<root>/data", true, "<root>/cfg/korvel/korvel.ini", "<home>",
         "<root>/data/korvel/backup"},
        {"installed, XDG folders unset", "usr/bin/korvel", "usr/share/korvel", std::nullopt,
         std::nullopt, true, "<home>/.config/korvel/korvel.ini", "<home>",
         "<home>/.local/share/korvel/backup"},
        // A relative XDG value is invalid and ignored; taken as is it would put the files
        // below whatever folder the program was started from.
        {"installed, XDG folders relative", "usr/bin/korvel", "usr/share/korvel", "cfg", "data",
         true, "<home>/.config/korvel/korvel.ini", "<home>", "<home>/.local/share/korvel/backup"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Layout l;
        ASSERT_TRUE(l.dir.isValid());
        l.makeFolder(QFileInfo(c.executable).path());
        if (!c.dataFolder.isEmpty())
            l.makeFolder(c.dataFolder);
        l.env.set("HOME", l.path(QStringLiteral("home")));
        l.env.set("XDG_CONFIG_HOME",
                  c.xdgConfig ? std::optional(l.expand(*c.xdgConfig)) : c.xdgConfig);
        l.env.set("XDG_DATA_HOME", c.xdgData ? std::optional(l.expand(*c.xdgData)) : c.xdgData);

        const AppPlaces p = AppPaths::forExecutable(l.path(c.executable));
        EXPECT_EQ(p.installed, c.installed);
        EXPECT_EQ(p.settingsFile, l.expand(c.settings));
        EXPECT_EQ(p.dialogFolder, l.expand(c.dialogs));
        EXPECT_EQ(p.backupFolder, l.expand(c.backups));
        // The output journals live beside the backups, in every kind of copy.
        EXPECT_EQ(p.journalFolder, QFileInfo(p.backupFolder).path() + "/journal");
        EXPECT_EQ(p.executableFolder, l.path(QFileInfo(c.executable).path()));
    }
}

// The test binary runs from the build tree, so the running copy keeps its files beside it.
TEST(AppPaths, TheRunningCopyFromTheBuildTreeKeepsItsFilesBesideIt)
{
    EXPECT_FALSE(AppPaths::installed());
    EXPECT_EQ(AppPaths::settingsFile(), QCoreApplication::applicationFilePath() + ".ini");
    EXPECT_EQ(SettingsStore::defaultFilePath(), AppPaths::settingsFile());
    EXPECT_EQ(AppPaths::dialogFolder(), QCoreApplication::applicationDirPath());
    EXPECT_EQ(AppPaths::backupFolder(), QCoreApplication::applicationDirPath() + "/backup");
}

// Loading reads; the first save creates the settings folder and file, and only there.
TEST(AppPaths, InstalledCopyCreatesItsSettingsOnTheFirstSaveOnly)
{
    Layout l;
    ASSERT_TRUE(l.dir.isValid());
    l.makeFolder(QStringLiteral("usr/bin"));
    l.makeFolder(QStringLiteral("usr/share/korvel"));
    l.makeFolder(QStringLiteral("home"));
    l.env.set("HOME", l.path(QStringLiteral("home")));
    l.env.set("XDG_CONFIG_HOME", l.path(QStringLiteral("home/cfg")));
    const QStringList before = filesBelow(l.dir.path());

    const AppPlaces p = AppPaths::forExecutable(l.path(QStringLiteral("usr/bin/korvel")));
    SettingsStore store(p.settingsFile);
    Uperemen values;
    ChartControls controls;
    store.LoadSettings(values, controls);
    EXPECT_FALSE(QFileInfo::exists(l.path(QStringLiteral("home/cfg")))) << "loading wrote";

    DialogSelections d = DialogSelections::fromValues(values);
    d.CommName = QStringLiteral("ttyUSB0");
    const SettingsWriteResult result = store.SaveDialogSettings(values, d, controls);
    EXPECT_TRUE(result.ok) << result.errorString.toStdString();

    QStringList expected = before;
    expected << l.path(QStringLiteral("home/cfg/korvel/korvel.ini"));
    expected.sort();
    EXPECT_EQ(filesBelow(l.dir.path()), expected);

    Uperemen reloaded;
    ChartControls again;
    SettingsStore(p.settingsFile).LoadSettings(reloaded, again);
    EXPECT_EQ(reloaded.CommName, QStringLiteral("ttyUSB0"));
}
