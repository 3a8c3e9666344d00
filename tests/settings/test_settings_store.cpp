#include "settings/IniProfile.h"
#include "settings/SettingsMessages.h"
#include "settings/SettingsStore.h"
#include "settings_test_util.h"

#include <QDir>
#include <QFileInfo>
#include <QFontMetrics>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

#include <limits>

using namespace korvel;
using namespace korvel::test;

namespace {

using Written = std::vector<std::pair<QString, QString>>;

// A settings file in a fresh folder, loaded into fresh values and controls.
class StoreTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }

    void writeFile(const QString& utf8Text) { writeBytes(path, cp1251(utf8Text)); }
    void copyFixture() { writeBytes(path, readBytes(fixture("all_keys.ini"))); }
    void load() { store.LoadSettings(values, controls); }

    QTemporaryDir dir;
    QString path = dir.filePath("korvel.ini");
    SettingsStore store{path};
    Uperemen values;
    ChartControls controls;
};

} // namespace

TEST(SettingsPath, IsTheExecutablePathWithIniForExe)
{
    EXPECT_EQ(SettingsStore::filePathForExecutable("/opt/build/bin/korvel"),
              "/opt/build/bin/korvel.ini");
    EXPECT_EQ(SettingsStore::filePathForExecutable("C:/tools/tester.exe"), "C:/tools/tester.ini");
    EXPECT_EQ(SettingsStore::filePathForExecutable("C:/tools/TESTER.EXE"), "C:/tools/TESTER.ini");
    EXPECT_EQ(SettingsStore::filePathForExecutable("/a/korvel.exe.d/run"),
              "/a/korvel.exe.d/run.ini");
    EXPECT_TRUE(SettingsStore::defaultFilePath().endsWith("/test_settings.ini"));
}

TEST_F(StoreTest, DefaultsWithoutAFileAndNothingCreated)
{
    LocaleGuard locale("C");
    load();
    EXPECT_EQ(values.CommName, "COM1");
    EXPECT_EQ(values.BaudRate, 9600);
    EXPECT_EQ(values.AdrPribor, 1);
    EXPECT_EQ(values.ReadTotalTimeoutConstant, 200);
    EXPECT_EQ(values.PollInterval, 320);
    EXPECT_EQ(values.TimeOnGraph, 7);
    EXPECT_EQ(controls.timeOnGraph(), 7);
    EXPECT_EQ(controls.periodText(), "7.50");
    EXPECT_EQ(values.PeriodACPText, "7.50");
    EXPECT_DOUBLE_EQ(values.PeriodACP, 7.5);
    EXPECT_DOUBLE_EQ(values.PeriodACPSec, 0.0075);
    EXPECT_EQ(values.WindowPoints, 933);
    EXPECT_EQ(controls.filter1(), 0);
    EXPECT_EQ(controls.filter1Maximum(), 7);
    EXPECT_EQ(controls.filter2(), 0);
    EXPECT_EQ(controls.stabBnd(), 0);
    EXPECT_FALSE(controls.smoothScroll());
    EXPECT_EQ(controls.weightPenWidth, 1);
    EXPECT_FALSE(controls.weightShowPoints);
    EXPECT_FALSE(values.ShowPanelInOut);
    EXPECT_EQ(values.NumDInputOnGraphicMask, 0);
    EXPECT_EQ(values.ZaderzhkaSignDInputs, 0);
    EXPECT_FALSE(values.ShowServiceInfo);
    EXPECT_FALSE(values.Checkweigher);
    const std::array<std::uint32_t, 5> colours{16711680, 32768, 8388736, 65280, 16711935};
    EXPECT_EQ(values.DInputColor, colours);
    EXPECT_EQ(controls.dinputTraceColor, colours);

    // Loading never creates the file, and an exit without changes does not either.
    EXPECT_FALSE(QFile::exists(path));
    const SettingsWriteResult exit = store.SaveChartSettings(controls);
    EXPECT_TRUE(exit.ok);
    EXPECT_TRUE(exit.written.empty());
    EXPECT_FALSE(QFile::exists(path));
}

TEST_F(StoreTest, HandMadeFileWithAllKeysIsReadAndLeftAloneAtExit)
{
    LocaleGuard locale("C");
    copyFixture();
    const QByteArray before = readBytes(path);
    const ino_t inode = inodeOf(path);
    load();

    EXPECT_EQ(values.CommName, "COM7");
    EXPECT_EQ(values.BaudRate, 19200);
    EXPECT_EQ(values.ReadTotalTimeoutConstant, 300); // 0x12C
    EXPECT_EQ(values.AdrPribor, 17);
    EXPECT_EQ(values.PollInterval, 500); // 0X1F4
    EXPECT_EQ(controls.timeOnGraph(), 12);
    EXPECT_TRUE(values.ChartBottomAxisAutomatic); // stored as 5
    EXPECT_TRUE(controls.smoothScroll());
    EXPECT_DOUBLE_EQ(values.PeriodACP, 10.0);
    EXPECT_EQ(controls.periodText(), "10.00");
    EXPECT_EQ(values.WindowPoints, 1200);
    EXPECT_TRUE(values.Checkweigher);
    EXPECT_EQ(controls.filter1Maximum(), 15);
    EXPECT_EQ(controls.filter1(), 12);
    EXPECT_EQ(controls.filter2(), 9);
    EXPECT_EQ(controls.stabBnd(), 100);
    EXPECT_EQ(controls.weightPenWidth, 2);
    EXPECT_TRUE(controls.weightShowPoints);
    EXPECT_TRUE(values.ShowPanelInOut);
    EXPECT_EQ(values.NumDInputOnGraphicMask, 31); // 287 = 0x11F keeps 0x1F
    const std::array<std::uint32_t, 5> colours{255, 65280, 8388608, 32896, 12632256};
    EXPECT_EQ(values.DInputColor, colours);
    EXPECT_EQ(controls.dinputTraceColor, colours);
    EXPECT_EQ(values.ZaderzhkaSignDInputs, 25);
    EXPECT_TRUE(values.ShowServiceInfo);

    // Nothing changed: the file is not even replaced.
    const SettingsWriteResult exit = store.SaveChartSettings(controls);
    EXPECT_TRUE(exit.ok);
    EXPECT_TRUE(exit.written.empty());
    EXPECT_EQ(readBytes(path), before);
    EXPECT_EQ(inodeOf(path), inode);
}

struct PeriodCase
{
    const char* locale;
    const char* stored;
    double period;
    const char* text;
};

// Short, readable names for the test runner.
void PrintTo(const PeriodCase& c, std::ostream* os)
{
    *os << c.locale << " \"" << c.stored << "\"";
}

class PeriodLoad : public StoreTest, public ::testing::WithParamInterface<PeriodCase>
{
};

TEST_P(PeriodLoad, ConvertsInTheUsersLocaleOrFallsBackToTheDefault)
{
    const PeriodCase& c = GetParam();
    LocaleGuard locale(c.locale);
    writeFile(QStringLiteral("[График]\r\nВремя(с)=7\r\nПериод выдачи данных АЦП, мс=%1\r\n")
                  .arg(QString::fromUtf8(c.stored)));
    load();
    EXPECT_DOUBLE_EQ(values.PeriodACP, c.period);
    EXPECT_DOUBLE_EQ(values.PeriodACPSec, c.period * 0.001);
    EXPECT_EQ(values.PeriodACPText, c.text);
    EXPECT_EQ(controls.periodText(), c.text);
    EXPECT_EQ(store.references().PeriodACPText, c.text);
    EXPECT_EQ(values.WindowPoints, SettingsStore::windowPoints(7, c.period));
}

INSTANTIATE_TEST_SUITE_P(
    Table, PeriodLoad,
    ::testing::Values(
        PeriodCase{"C", "12.50", 12.5, "12.50"}, PeriodCase{"de_DE", "12.50", 7.5, "7,50"},
        PeriodCase{"de_DE", "12,50", 12.5, "12,50"}, PeriodCase{"ru_RU", "1000", 1000.0, "1000,00"},
        PeriodCase{"en_US", "1000", 1000.0, "1000.00"}, PeriodCase{"C", "10", 10.0, "10.00"},
        // Outside the period field's range (0, 1000] or not a number: 7.5.
        PeriodCase{"C", "0", 7.5, "7.50"}, PeriodCase{"C", "-3", 7.5, "7.50"},
        PeriodCase{"C", "1000.01", 7.5, "7.50"}, PeriodCase{"C", "inf", 7.5, "7.50"},
        PeriodCase{"C", "nan", 7.5, "7.50"}, PeriodCase{"C", "fast", 7.5, "7.50"}));

TEST_F(StoreTest, WindowPointsFollowTheClampedWindowAndThePeriod)
{
    writeFile("[График]\r\nВремя(с)=7\r\nПериод выдачи данных АЦП, мс=10\r\n");
    load();
    EXPECT_EQ(values.WindowPoints, 700);

    writeFile("[График]\r\nВремя(с)=150\r\nПериод выдачи данных АЦП, мс=3\r\n");
    load();
    EXPECT_EQ(values.WindowPoints, 33000); // 99 s × 333.3 per second
    writeFile("[График]\r\nВремя(с)=-4\r\n");
    load();
    EXPECT_EQ(values.WindowPoints, 133); // 1 s

    // A tiny period typed by hand: the count saturates instead of overflowing.
    writeFile("[График]\r\nВремя(с)=99\r\nПериод выдачи данных АЦП, мс=0.000001\r\n");
    load();
    EXPECT_EQ(values.WindowPoints, std::numeric_limits<int>::max());
}

TEST_F(StoreTest, OnlyAddressesThatFitTheFirstByteAreTaken)
{
    // 64 and above would set the memory-access bit of every request.
    const std::pair<const char*, int> cases[] = {
        {"1", 1}, {"63", 63}, {"0x3F", 63}, {"64", 1}, {"65", 1}, {"0", 1}, {"-5", 1}};
    for (const auto& [stored, expected] : cases) {
        writeFile(QStringLiteral("[Параметры прибора]\r\nАдрес прибора=") +
                  QString::fromLatin1(stored) + QStringLiteral("\r\n"));
        load();
        EXPECT_EQ(values.AdrPribor, expected) << stored;
    }
}

struct ClampCase
{
    const char* file; // the chart section's lines
    int timeOnGraph, filter1, filter2, stab;
    std::vector<const char*> exitWrites; // chart keys the exit writes with nothing changed
    std::vector<const char*> exitValues;
};

void PrintTo(const ClampCase& c, std::ostream* os)
{
    *os << QString::fromUtf8(c.file).simplified().toStdString();
}

class ClampAtLoad : public StoreTest, public ::testing::WithParamInterface<ClampCase>
{
};

TEST_P(ClampAtLoad, ControlsClampAndTheExitWritesTheClampedValuesBack)
{
    const ClampCase& c = GetParam();
    writeFile(QString::fromUtf8(c.file));
    load();
    EXPECT_EQ(controls.timeOnGraph(), c.timeOnGraph);
    EXPECT_EQ(controls.filter1(), c.filter1);
    EXPECT_EQ(controls.filter2(), c.filter2);
    EXPECT_EQ(controls.stabBnd(), c.stab);

    const SettingsWriteResult exit = store.SaveChartSettings(controls);
    ASSERT_TRUE(exit.ok) << exit.errorString.toStdString();
    Written expected;
    for (const char* key : c.exitWrites)
        expected.emplace_back("График", QString::fromUtf8(key));
    EXPECT_EQ(exit.written, expected);

    const IniProfile ini(readBytes(path));
    for (size_t i = 0; i < c.exitWrites.size(); ++i) {
        EXPECT_EQ(ini.readString("График", QString::fromUtf8(c.exitWrites[i]), ""),
                  QString::fromUtf8(c.exitValues[i]));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, ClampAtLoad,
    ::testing::Values(
        ClampCase{"[График]\r\nВремя(с)=150\r\n", 99, 0, 0, 0, {"Время(с)"}, {"99"}},
        ClampCase{"[График]\r\nВремя(с)=0\r\n", 1, 0, 0, 0, {"Время(с)"}, {"1"}},
        ClampCase{"[График]\r\nФильтр1=12\r\n", 7, 7, 0, 0, {"Фильтр1"}, {"7"}},
        ClampCase{"[График]\r\nФильтр1=12\r\n[Служебные параметры]\r\nЧеквейр=1\r\n",
                  7,
                  12,
                  0,
                  0,
                  {},
                  {}},
        ClampCase{"[График]\r\nФильтр1=16\r\n[Служебные параметры]\r\nЧеквейр=1\r\n",
                  7,
                  15,
                  0,
                  0,
                  {"Фильтр1"},
                  {"15"}},
        ClampCase{"[График]\r\nФильтр1=-1\r\nФильтр2=13\r\nДиапазон стабильности=256\r\n",
                  7,
                  0,
                  12,
                  255,
                  {"Фильтр1", "Фильтр2", "Диапазон стабильности"},
                  {"0", "12", "255"}},
        ClampCase{"[График]\r\nВремя(с)=0x10\r\nФильтр2=0xC\r\n", 16, 0, 12, 0, {}, {}}));

TEST_F(StoreTest, ClampedExitWriteChangesOnlyThatLine)
{
    copyFixture();
    IniProfile fixtureIni(readBytes(path));
    ASSERT_TRUE(fixtureIni.writeInteger("график", "время(с)", 150));
    writeBytes(path, fixtureIni.toBytes());
    const QByteArray before = readBytes(path);
    load();
    ASSERT_EQ(controls.timeOnGraph(), 99);
    ASSERT_TRUE(store.SaveChartSettings(controls).ok);
    QByteArray expected = before;
    expected.replace(cp1251("Время(с)=150\r\n"), cp1251("Время(с)=99\r\n"));
    EXPECT_EQ(readBytes(path), expected);
}

TEST_F(StoreTest, ExitWritesEachChangedChartControlAndNothingElse)
{
    LocaleGuard locale("de_DE");
    copyFixture();
    const QByteArray original = readBytes(path);
    struct Change
    {
        std::function<void(ChartControls&)> apply;
        const char* key;
        const char* line; // the key's line after the save
    };
    const Change changes[] = {
        {[](ChartControls& c) { c.setTimeOnGraph(30); }, "Время(с)", "Время(с)=30"},
        {[](ChartControls& c) { c.setSmoothScroll(false); }, "Плавное движение включено",
         "Плавное движение включено=0"},
        // The field's text exactly as typed, not reformatted.
        {[](ChartControls& c) { c.setPeriodText("12,5"); }, "Период выдачи данных АЦП, мс",
         "Период выдачи данных АЦП, мс=12,5"},
        {[](ChartControls& c) { c.setFilter1(3); }, "Фильтр1", "Фильтр1=3"},
        {[](ChartControls& c) { c.setFilter2(0); }, "Фильтр2", "Фильтр2=0"},
        {[](ChartControls& c) { c.setStabBnd(255); }, "Диапазон стабильности",
         "Диапазон стабильности=255"},
    };
    for (const Change& change : changes) {
        SCOPED_TRACE(change.key);
        writeBytes(path, original);
        Uperemen v;
        ChartControls c;
        SettingsStore s(path);
        s.LoadSettings(v, c);
        ASSERT_EQ(c.periodText(), "10,00");
        change.apply(c);
        const SettingsWriteResult r = s.SaveChartSettings(c);
        ASSERT_TRUE(r.ok);
        EXPECT_EQ(r.written, (Written{{"График", QString::fromUtf8(change.key)}}));

        const QList<QByteArray> before = original.split('\n');
        const QList<QByteArray> after = readBytes(path).split('\n');
        ASSERT_EQ(after.size(), before.size());
        for (int i = 0; i < after.size(); ++i) {
            if (after[i] != before[i]) {
                EXPECT_EQ(after[i], cp1251(QString::fromUtf8(change.line)) + '\r');
            }
        }
        EXPECT_NE(readBytes(path), original);
    }
}

TEST_F(StoreTest, DialogOkWithoutChangesWritesBaudRateAddressAndDelayOnly)
{
    // Without a file: the file is created holding exactly those three keys.
    load();
    SettingsWriteResult r =
        store.SaveDialogSettings(values, DialogSelections::fromValues(values), controls);
    ASSERT_TRUE(r.ok);
    const Written three{
        {"Параметры COM-порта", "Скорость (бит/с)"},
        {"Параметры прибора", "Адрес прибора"},
        {"Графики цифровых входов", "Задержка сигнала цифровых входов при выводе на график, изм."}};
    EXPECT_EQ(r.written, three);
    EXPECT_EQ(readBytes(path),
              cp1251("[Параметры COM-порта]\r\nСкорость (бит/с)=9600\r\n\r\n"
                     "[Параметры прибора]\r\nАдрес прибора=1\r\n\r\n"
                     "[Графики цифровых входов]\r\n"
                     "Задержка сигнала цифровых входов при выводе на график, изм.=0\r\n"));

    // With the full file: the same three keys, same values, so not a byte changes.
    copyFixture();
    const QByteArray before = readBytes(path);
    load();
    r = store.SaveDialogSettings(values, DialogSelections::fromValues(values), controls);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.written, three);
    EXPECT_EQ(readBytes(path), before);
}

TEST_F(StoreTest, DialogChangesUpdateValuesTracesAndOnlyTheirLines)
{
    copyFixture();
    load();
    DialogSelections d = DialogSelections::fromValues(values);
    d.CommName = "ttyUSB0";
    d.BaudRate = 115200;
    d.AdrPribor = 63;
    d.ShowPanelInOut = false;
    d.DInputOnGraphic = {true, false, true, false, false};
    d.DInputColor[2] = 255;
    d.ZaderzhkaSignDInputs = 100;
    const SettingsWriteResult r = store.SaveDialogSettings(values, d, controls);
    ASSERT_TRUE(r.ok);
    const QString inputs = "Графики цифровых входов";
    EXPECT_EQ(r.written,
              (Written{{"Параметры COM-порта", "COM-порт"},
                       {"Параметры COM-порта", "Скорость (бит/с)"},
                       {"Параметры прибора", "Адрес прибора"},
                       {"Панель цифровых входов/выходов", "Показывать"},
                       {inputs, "Маска вывода цифровых входов на графики"},
                       {inputs, "Цвет графика цифрового входа №3"},
                       {inputs, "Задержка сигнала цифровых входов при выводе на график, изм."}}));
    EXPECT_EQ(values.CommName, "ttyUSB0");
    EXPECT_EQ(values.BaudRate, 115200);
    EXPECT_EQ(values.AdrPribor, 63);
    EXPECT_FALSE(values.ShowPanelInOut);
    EXPECT_EQ(values.NumDInputOnGraphicMask, 5);
    EXPECT_EQ(values.DInputColor[2], 255u);
    EXPECT_EQ(controls.dinputTraceColor[2], 255u);
    EXPECT_EQ(controls.dinputTraceColor[1], 65280u);
    EXPECT_EQ(values.ZaderzhkaSignDInputs, 100);

    QByteArray expected = readBytes(fixture("all_keys.ini"));
    for (auto [from, to] : std::initializer_list<std::pair<const char*, const char*>>{
             {"COM-порт=COM7", "COM-порт=ttyUSB0"},
             {"Скорость (бит/с)=19200", "Скорость (бит/с)=115200"},
             {"Адрес прибора=17", "Адрес прибора=63"},
             {"[Панель цифровых входов/выходов]\r\nПоказывать=1",
              "[Панель цифровых входов/выходов]\r\nПоказывать=0"},
             {"графики=287", "графики=5"},
             {"входа №3=8388608", "входа №3=255"},
             {"изм.=25", "изм.=100"}})
        expected.replace(cp1251(QString::fromUtf8(from)), cp1251(QString::fromUtf8(to)));
    EXPECT_EQ(readBytes(path), expected);

    // The port name is written only when it differs from the one the dialog showed.
    DialogSelections again = DialogSelections::fromValues(values);
    again.CommNameShown = "ttyUSB0";
    again.CommName = "ttyUSB0";
    EXPECT_EQ(store.SaveDialogSettings(values, again, controls).written.size(), 3u);
}

TEST_F(StoreTest, UnwritableFileReportsFailureAndKeepsTheValues)
{
    // A regular file used as a folder: not even root can create the settings file there.
    writeBytes(dir.filePath("plain"), "x");
    SettingsStore blocked(dir.filePath("plain/korvel.ini"));
    blocked.LoadSettings(values, controls);
    EXPECT_EQ(values.CommName, "COM1");

    DialogSelections d = DialogSelections::fromValues(values);
    d.CommName = "COM4";
    d.AdrPribor = 5;
    const SettingsWriteResult dialog = blocked.SaveDialogSettings(values, d, controls);
    EXPECT_FALSE(dialog.ok);
    EXPECT_EQ(dialog.filePath, dir.filePath("plain/korvel.ini"));
    EXPECT_EQ(values.CommName, "COM4");
    EXPECT_EQ(values.AdrPribor, 5);

    controls.setTimeOnGraph(20);
    const SettingsWriteResult exit = blocked.SaveChartSettings(controls);
    EXPECT_FALSE(exit.ok);
    EXPECT_EQ(controls.timeOnGraph(), 20);
}

TEST_F(StoreTest, AFileThatCannotBeReadIsNeverReplaced)
{
    // A folder in the settings file's place cannot be read; saving over it would lose it.
    ASSERT_TRUE(QDir(dir.path()).mkdir("korvel.ini"));
    writeBytes(path + "/keep", "x");
    load();
    EXPECT_EQ(values.BaudRate, 9600);
    const SettingsWriteResult r =
        store.SaveDialogSettings(values, DialogSelections::fromValues(values), controls);
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(QFileInfo(path).isDir());
    EXPECT_TRUE(QFile::exists(path + "/keep"));
}

TEST(SettingsMessage, NamesTheFileAndGrowsThePopupToFitIt)
{
    const QString shortPath = "/a/k.ini";
    const PopupMessage m = settingsWriteFailedMessage(shortPath);
    EXPECT_EQ(m.text, "Не могу записать файл настроек\n\"/a/k.ini\".\n\n"
                      "Изменения настроек не сохранены.");
    EXPECT_EQ(m.extraHeight, 48);

    const QString longPath = "/home/operator/work/korvel/build/bin/korvel.ini";
    const PopupMessage l = settingsWriteFailedMessage(longPath);
    EXPECT_GT(l.extraWidth, m.extraWidth);
    for (const PopupMessage& msg : {m, l}) {
        EXPECT_EQ(msg.okShift * 2, msg.extraWidth);
        QFont font;
        font.setFamilies({"MS Sans Serif", "Liberation Sans"});
        font.setPixelSize(13);
        const QFontMetrics metrics(font);
        for (const QString& line : msg.text.split('\n'))
            EXPECT_LE(metrics.horizontalAdvance(line), 203 + msg.extraWidth) << line.toStdString();
    }
}
