#include "settings/IniProfile.h"
#include "settings_test_util.h"

#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace korvel;
using namespace korvel::test;

namespace {

int runTool(const QStringList& args, QByteArray* err = nullptr)
{
    QProcess p;
    p.start(QStringLiteral(KORVEL_BIN_DIR "/korvel-ini"), args);
    if (!p.waitForFinished(30000))
        return -1;
    if (err)
        *err = p.readAllStandardError();
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

} // namespace

TEST(KorvelIniTool, WritesOneTextKeyKeepingTheRestOfTheFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("korvel.ini");
    const QByteArray original = readBytes(fixture("all_keys.ini"));
    writeBytes(path, original);

    ASSERT_EQ(runTool({path, "параметры com-порта", "COM-порт", "/dev/pts/7"}), 0);
    QByteArray expected = original;
    expected.replace(cp1251("COM-порт=COM7"), cp1251("COM-порт=/dev/pts/7"));
    EXPECT_EQ(readBytes(path), expected);

    // A missing file is created, in Windows-1251.
    const QString fresh = dir.filePath("fresh.ini");
    ASSERT_EQ(runTool({fresh, "Параметры COM-порта", "COM-порт", "ttyЮ"}), 0);
    EXPECT_EQ(readBytes(fresh), cp1251("[Параметры COM-порта]\r\nCOM-порт=ttyЮ\r\n"));
}

TEST(KorvelIniTool, RefusesBadUsageAndUnstorableValues)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("korvel.ini");
    EXPECT_EQ(runTool({path, "a", "b"}), 2);
    QByteArray err;
    EXPECT_EQ(runTool({path, "a", "b", "漢"}, &err), 1);
    EXPECT_FALSE(err.isEmpty());
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_EQ(runTool({dir.filePath("no/such/dir.ini"), "a", "b", "c"}), 1);
}

// The values the program would use, for scripts: the file's where usable, else the defaults.
TEST(KorvelIniTool, PrintsTheValuesTheProgramWouldUse)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("korvel.ini");
    auto get = [&](const QString& name) {
        QProcess p;
        p.start(QStringLiteral(KORVEL_BIN_DIR "/korvel-ini"), {"--get", path, name});
        EXPECT_TRUE(p.waitForFinished(30000));
        EXPECT_EQ(p.exitCode(), 0) << name.toStdString();
        return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    };
    EXPECT_EQ(get("AdrPribor"), "1"); // no file: the defaults
    EXPECT_EQ(get("BaudRate"), "9600");
    EXPECT_EQ(get("CommName"), "COM1");

    ASSERT_EQ(runTool({path, "Параметры прибора", "Адрес прибора", "0x05"}), 0);
    ASSERT_EQ(runTool({path, "Параметры COM-порта", "Скорость (бит/с)", "19200"}), 0);
    ASSERT_EQ(runTool({path, "Параметры COM-порта", "COM-порт", "ttyUSB0"}), 0);
    EXPECT_EQ(get("AdrPribor"), "5");
    EXPECT_EQ(get("BaudRate"), "19200");
    EXPECT_EQ(get("CommName"), "ttyUSB0");

    ASSERT_EQ(runTool({path, "Параметры прибора", "Адрес прибора", "70"}), 0);
    EXPECT_EQ(get("AdrPribor"), "1") << "the program falls back to 1 outside 1..63";
    EXPECT_EQ(runTool({"--get", path, "Nothing"}), 2);
}
