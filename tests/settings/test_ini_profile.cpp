#include "settings/IniProfile.h"
#include "settings_test_util.h"

#include <QBuffer>
#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace korvel;
using namespace korvel::test;

namespace {

QList<QByteArray> lines(const QByteArray& bytes)
{
    return bytes.split('\n');
}

// The 23 settings of the fixture file, in the order the program reads them.
const std::vector<std::pair<QString, QString>> kAllKeys = {
    {"Параметры COM-порта", "COM-порт"},
    {"Параметры COM-порта", "Скорость (бит/с)"},
    {"Параметры COM-порта", "ReadTotalTimeoutConstant"},
    {"Параметры прибора", "Адрес прибора"},
    {"Параметры программы", "Интервал опроса прибора"},
    {"График", "Время(с)"},
    {"График", "Плавное движение включено"},
    {"График", "Период выдачи данных АЦП, мс"},
    {"График", "Фильтр1"},
    {"График", "Фильтр2"},
    {"График", "Диапазон стабильности"},
    {"График", "Толщина линии графика"},
    {"График", "Показывать точки"},
    {"Панель цифровых входов/выходов", "Показывать"},
    {"Графики цифровых входов", "Маска вывода цифровых входов на графики"},
    {"Графики цифровых входов", "Цвет графика цифрового входа №1"},
    {"Графики цифровых входов", "Цвет графика цифрового входа №2"},
    {"Графики цифровых входов", "Цвет графика цифрового входа №3"},
    {"Графики цифровых входов", "Цвет графика цифрового входа №4"},
    {"Графики цифровых входов", "Цвет графика цифрового входа №5"},
    {"Графики цифровых входов", "Задержка сигнала цифровых входов при выводе на график, изм."},
    {"Служебные параметры", "Показывать"},
    {"Служебные параметры", "Чеквейр"},
};

} // namespace

TEST(IniProfile, RoundTripsBytesThroughBuffers)
{
    const QByteArray samples[] = {
        "",
        "[a]\r\nk=v\r\n",
        "[a]\nk=v\n; note\n\n[b]\nx = y  \n",
        "[a]\r\nk=v\nmixed=1\r\nlast=no newline",
        "garbage before any section\r\n[a]\r\n\r\n\r\n",
        cp1251("[График]\r\nВремя(с)=7\r\n"),
    };
    for (const QByteArray& sample : samples) {
        QBuffer in;
        in.setData(sample);
        in.open(QIODevice::ReadOnly);
        IniProfile ini;
        ASSERT_TRUE(ini.read(in));
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        ASSERT_TRUE(ini.write(out));
        EXPECT_EQ(out.data(), sample);
    }
}

TEST(IniProfile, ParsesIntegersLikeTheProfileApi)
{
    struct Case
    {
        const char* text;
        std::optional<int> value;
    };
    const Case cases[] = {
        {"0", 0},
        {"287", 287},
        {"  42 ", 42},
        {"-5", -5},
        {"+7", 7},
        {"0x1F", 31},
        {"0X1f", 31},
        {"0x00FF00", 65280},
        {"0xFFFFFFFF", -1},
        {"2147483647", 2147483647},
        {"-2147483648", int(0x80000000u)},
        {"2147483648", {}},
        {"0x100000000", {}},
        {"", {}},
        {"0x", {}},
        {"12abc", {}},
        {"1 2", {}},
        {"7.5", {}},
        {"abc", {}},
        {"0x1G", {}},
        {"١٢", {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IniProfile::parseInteger(QString::fromUtf8(c.text)), c.value) << c.text;
}

TEST(IniProfile, MatchesSectionsAndKeysWithoutRegardToCaseCyrillicIncluded)
{
    IniProfile ini(
        cp1251("[гРАФИК]\r\nвРЕМЯ(С) = 15\r\n[ПАРАМЕТРЫ com-ПОРТА]\r\ncom-ПОРТ=COM3\r\n"));
    EXPECT_EQ(ini.readInteger("График", "Время(с)", 7), 15);
    EXPECT_EQ(ini.readString("Параметры COM-порта", "COM-порт", "COM1"), "COM3");

    // A write through other letter case changes the value and keeps the file's own spelling.
    ASSERT_TRUE(ini.writeInteger("ГРАФИК", "время(с)", 99));
    EXPECT_EQ(ini.toBytes(),
              cp1251("[гРАФИК]\r\nвРЕМЯ(С) = 99\r\n[ПАРАМЕТРЫ com-ПОРТА]\r\ncom-ПОРТ=COM3\r\n"));
}

TEST(IniProfile, KeysBelongToTheirOwnSectionOnly)
{
    IniProfile ini(cp1251("Показывать=7\r\n[Панель цифровых входов/выходов]\r\nПоказывать=0\r\n"
                          ";Чеквейр=1\r\n[Служебные параметры]\r\nПоказывать=1\r\n"
                          "[Служебные параметры]\r\nЧеквейр=1\r\n"));
    EXPECT_FALSE(ini.readBool("Панель цифровых входов/выходов", "Показывать", true));
    EXPECT_TRUE(ini.readBool("Служебные параметры", "Показывать", false));
    // Only the first section of a name counts, and a commented-out key is no key.
    EXPECT_FALSE(ini.contains("Служебные параметры", "Чеквейр"));
    EXPECT_FALSE(ini.contains("Панель цифровых входов/выходов", "Чеквейр"));
    EXPECT_FALSE(ini.contains("Нет такого", "Показывать"));
}

TEST(IniProfile, ReadsBooleansAndFloatsWithDefaults)
{
    IniProfile ini("[s]\nb5=5\nb0=0\nbx=yes\nf=12.50\nfc=12,50\nfg=1.250\nfbad=7.5x\n");
    EXPECT_TRUE(ini.readBool("s", "b5", false));
    EXPECT_FALSE(ini.readBool("s", "b0", true));
    EXPECT_TRUE(ini.readBool("s", "bx", true));
    EXPECT_FALSE(ini.readBool("s", "missing", false));

    const QLocale point(QLocale::C);
    const QLocale comma(QLocale::German, QLocale::Germany);
    EXPECT_DOUBLE_EQ(ini.readFloat("s", "f", 7.5, point), 12.5);
    EXPECT_DOUBLE_EQ(ini.readFloat("s", "f", 7.5, comma), 7.5);
    EXPECT_DOUBLE_EQ(ini.readFloat("s", "fc", 7.5, comma), 12.5);
    EXPECT_DOUBLE_EQ(ini.readFloat("s", "fc", 7.5, point), 7.5);
    // A group separator is not part of the notation: "1.250" is no 1250 in a comma locale.
    EXPECT_DOUBLE_EQ(ini.readFloat("s", "fg", 7.5, comma), 7.5);
    EXPECT_DOUBLE_EQ(ini.readFloat("s", "fbad", 7.5, point), 7.5);
}

TEST(IniProfile, AddsMissingKeysAndSectionsKeepingTheRestAndTheLineEndings)
{
    struct Case
    {
        QByteArray before;
        QString section;
        QByteArray after;
    };
    const Case cases[] = {
        // A new key goes after the section's last line, before the blank line that ends it.
        {"[a]\r\nx=1\r\n\r\n[b]\r\ny=2\r\n", "a", "[a]\r\nx=1\r\nk=v\r\n\r\n[b]\r\ny=2\r\n"},
        {"[a]\nx=1\n\n[b]\ny=2\n", "b", "[a]\nx=1\n\n[b]\ny=2\nk=v\n"},
        {"[a]\nx=1", "a", "[a]\nx=1\nk=v\n"},
        {"[b]\n[a]\n", "b", "[b]\nk=v\n[a]\n"},
        // A new section goes at the end, set off by a blank line.
        {"[a]\r\nx=1", "c", "[a]\r\nx=1\r\n\r\n[c]\r\nk=v\r\n"},
        {"; only a comment\n", "c", "; only a comment\n\n[c]\nk=v\n"},
        {"[a]\n\n", "c", "[a]\n\n[c]\nk=v\n"},
        // A new file is a Windows profile file.
        {"", "c", "[c]\r\nk=v\r\n"},
    };
    for (const Case& c : cases) {
        IniProfile ini(c.before);
        ASSERT_TRUE(ini.writeString(c.section, "k", "v"));
        EXPECT_EQ(ini.toBytes(), c.after) << c.before.constData();
        EXPECT_EQ(ini.readString(c.section, "k", ""), "v");
    }
}

TEST(IniProfile, RefusesWhatCannotBeStoredAndChangesNothing)
{
    const QByteArray before = "[a]\r\nk=v\r\n";
    struct Case
    {
        QString section, key, value;
    };
    const Case cases[] = {
        {"a", "k", "two\nlines"}, {"a", "k", "cr\rhere"},  {"a", "k", "漢字"}, {"a", "k=x", "v"},
        {"a]", "k", "v"},         {"", "k", "v"},          {"a", "", "v"},     {"a", ";k", "v"},
        {"a\r\n[b", "k", "v"},    {"a", "ключ\n[b]", "v"},
    };
    for (const Case& c : cases) {
        IniProfile ini(before);
        EXPECT_FALSE(ini.writeString(c.section, c.key, c.value)) << c.value.toStdString();
        EXPECT_EQ(ini.toBytes(), before);
        EXPECT_FALSE(ini.isModified());
    }
}

TEST(IniProfile, FixtureRewrittenKeyByKeyByteForByte)
{
    const QByteArray original = readBytes(fixture("all_keys.ini"));
    ASSERT_FALSE(original.isEmpty());
    ASSERT_TRUE(original.contains("\r\n"));
    const QList<QByteArray> originalLines = lines(original);

    for (const auto& [section, key] : kAllKeys) {
        SCOPED_TRACE(key.toStdString());
        IniProfile ini(original);
        const auto stored = ini.value(section, key);
        ASSERT_TRUE(stored.has_value());

        // Its own value written back: not a byte changes.
        ASSERT_TRUE(ini.writeString(section, key, *stored));
        EXPECT_FALSE(ini.isModified());
        EXPECT_EQ(ini.toBytes(), original);

        // A new value: exactly one line changes, to the key's own bytes with the new value.
        ASSERT_TRUE(ini.writeString(section, key, "Новое"));
        const QList<QByteArray> changed = lines(ini.toBytes());
        ASSERT_EQ(changed.size(), originalLines.size());
        int differing = 0;
        for (int i = 0; i < changed.size(); ++i) {
            if (changed[i] == originalLines[i])
                continue;
            ++differing;
            EXPECT_EQ(changed[i], cp1251(key) + '=' + cp1251("Новое") + '\r');
        }
        EXPECT_EQ(differing, 1);
    }
}

TEST(IniProfile, SavesAtomicallyAndReportsFailure)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("k.ini");
    IniProfile ini;
    EXPECT_EQ(ini.loadFile(path), IniProfile::LoadStatus::Missing);
    ASSERT_TRUE(ini.writeInteger("График", "Время(с)", 12));
    ASSERT_TRUE(ini.saveFile(path));
    EXPECT_EQ(readBytes(path), cp1251("[График]\r\nВремя(с)=12\r\n"));
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden) == QStringList{"k.ini"})
        << "no temporary file is left behind";

    IniProfile again;
    EXPECT_EQ(again.loadFile(path), IniProfile::LoadStatus::Loaded);
    EXPECT_EQ(again.readInteger("график", "время(С)", 0), 12);

    // A regular file used as a folder: nobody, not even root, can create a file there.
    QString error;
    EXPECT_FALSE(ini.saveFile(path + "/sub.ini", &error));
    EXPECT_FALSE(error.isEmpty());
    // A folder where the file should be cannot be read, which is not the same as missing.
    EXPECT_EQ(again.loadFile(dir.path()), IniProfile::LoadStatus::Unreadable);
}
