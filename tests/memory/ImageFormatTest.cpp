// The memory image file without a window: the writer's exact layout, the reader's separators
// and values, the files a write refuses, and the backup's name and storing.
#include "link/DeviceMap.h"
#include "memory/BackupFile.h"
#include "memory/ImageParser.h"
#include "memory/ImageWriter.h"
#include "memory/MemoryArea.h"
#include "memory/MemoryMessages.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <vector>

namespace korvel {
namespace {

using Bytes = std::vector<std::uint8_t>;

// An area's worth of bytes that differ from page to page and offset to offset.
Bytes patternFor(const MemoryArea& area)
{
    Bytes b(static_cast<std::size_t>(area.bytes()));
    for (std::size_t i = 0; i < b.size(); ++i)
        b[i] = static_cast<std::uint8_t>((i * 7 + i / MEM_PAGE_SIZE) & 0xFF);
    return b;
}

QStringList imageLines(const Bytes& bytes)
{
    QStringList lines;
    for (std::size_t at = 0; at + MEM_PAGE_SIZE <= bytes.size(); at += MEM_PAGE_SIZE)
        lines << FormatImagePage(bytes.data() + at);
    return lines;
}

ParsedImage parse(const QByteArray& text)
{
    return ParseImageText(text);
}

TEST(ImageWriter, APageIsSixteenLinesOfSixteenBytesAndAnEmptyLine)
{
    Bytes page(MEM_PAGE_SIZE);
    for (int i = 0; i < MEM_PAGE_SIZE; ++i)
        page[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
    const QStringList lines = FormatImagePage(page.data());
    ASSERT_EQ(lines.size(), 17);
    EXPECT_EQ(lines[0], "00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F ");
    EXPECT_EQ(lines[15], "F0 F1 F2 F3 F4 F5 F6 F7 F8 F9 FA FB FC FD FE FF ");
    EXPECT_EQ(lines[16], "");
    EXPECT_EQ(ImageFileText(lines).left(50),
              "00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F \r\n");
}

TEST(ImageWriter, WholeAreasHaveTheirLineAndCharacterCountsAndReadBackTheSame)
{
    struct Case
    {
        MemoryArea area;
        int lines;
        int characters;
    };
    for (const Case& c :
         {Case{MemoryArea::eeprom(), 136, 6416}, Case{MemoryArea::fm(), 2040, 96240}}) {
        SCOPED_TRACE(c.area.name.toStdString());
        const Bytes bytes = patternFor(c.area);
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        ASSERT_TRUE(WriteImageText(buffer, imageLines(bytes)));
        const QByteArray text = buffer.data();
        EXPECT_EQ(text.size(), c.characters);
        EXPECT_EQ(text.count("\r\n"), c.lines);
        EXPECT_TRUE(text.endsWith("\r\n\r\n"));
        EXPECT_EQ(text.count(" \r\n"), c.lines / 17 * 16) << "every data line ends in a space";
        EXPECT_EQ(text.count('\n'), text.count('\r')) << "no bare line feeds";

        buffer.close();
        buffer.open(QIODevice::ReadOnly);
        const ParsedImage back = parse(buffer.readAll());
        EXPECT_EQ(back.status, ParsedImage::Status::Ok);
        EXPECT_EQ(back.bytes, bytes);
    }
}

TEST(ImageParser, SeparatorsAndValues)
{
    struct Case
    {
        const char* name;
        QByteArray text;
        Bytes bytes;
    };
    const Case cases[] = {
        {"one value per line", "01\r\n02\r\nFE\r\n", {0x01, 0x02, 0xFE}},
        {"all on one line", "01 02 FE", {0x01, 0x02, 0xFE}},
        {"lone CR and lone LF", "01\r02\n03", {0x01, 0x02, 0x03}},
        {"two spaces in a row give no zero byte", "01  02", {0x01, 0x02}},
        {"empty lines give nothing", "\r\n\r\n01\r\n\r\n", {0x01}},
        {"a tab is not a separator", "AB\tCD EF", {0xAB, 0xEF}},
        {"one digit", "F", {0x0F}},
        {"leading zeros do not count", "00FF 0x0012 000", {0xFF, 0x12, 0x00}},
        {"either case, with or without 0x", "ab 0x1f 0XC0", {0xAB, 0x1F, 0xC0}},
        {"a value ends at the first other character", "12zz 0x", {0x12, 0x00}},
        {"nothing", "", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ParsedImage p = parse(c.text);
        EXPECT_EQ(p.status, ParsedImage::Status::Ok);
        EXPECT_EQ(p.bytes, c.bytes);
    }
}

TEST(ImageParser, AValueThatIsNotOneIsNamedWithItsLine)
{
    struct Case
    {
        const char* name;
        QByteArray text;
        int line;
        QByteArray value;
        ParsedImage::Status status = ParsedImage::Status::BadValue;
    };
    using enum ParsedImage::Status;
    const Case cases[] = {
        {"letters", "00 01\r\n02 ZZ 03\r\n", 2, "ZZ"},
        {"a leading tab", "00\n\t01\n", 2, "\t01"},
        {"a sign", "-1", 1, "-1"},
        {"after a lone CR", "00\r\r#", 3, "#"},
        // Not cut to its low 8 bits: "1FF" would be written as FF.
        {"three digits over FF", "00 01\r\n1FF 02", 2, "1FF", OverByte},
        {"over FF behind 0x", "0x100", 1, "0x100", OverByte},
        {"over FF up to the first other character", "00\n12345zz", 2, "12345zz", OverByte},
        {"too great for any integer", "FFFFFFFFFFFFFFFFFFFF", 1, "FFFFFFFFFFFFFFFFFFFF", OverByte},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ParsedImage p = parse(c.text);
        EXPECT_EQ(p.status, c.status);
        EXPECT_EQ(p.badLine, c.line);
        EXPECT_EQ(p.badValue, c.value);
    }
}

TEST(ImageParser, TheLimitCountsEverySpaceAsALineBreak)
{
    // 100 000 values "0" and 99 999 spaces: 299 999 characters once laid out a value a line.
    QByteArray fits = QByteArray("0 ").repeated(99999) + "0";
    EXPECT_EQ(parse(fits).status, ParsedImage::Status::Ok);
    EXPECT_EQ(parse(fits + "0").status, ParsedImage::Status::Ok) << "exactly the limit";
    const ParsedImage over = parse(fits + " 0");
    EXPECT_EQ(over.status, ParsedImage::Status::TooLong);
    EXPECT_TRUE(over.bytes.empty());
}

TEST(ImageParser, ReportsProgressEveryThousandCharactersAndStopsWhenTold)
{
    const QByteArray text = QByteArray("00 ").repeated(834); // 2502 characters
    std::vector<qsizetype> seen;
    ParseImageText(text, [&](qsizetype i, qsizetype length) {
        EXPECT_EQ(length, text.size());
        seen.push_back(i);
        return true;
    });
    EXPECT_EQ(seen, (std::vector<qsizetype>{0, 1000, 2000}));

    const ParsedImage stopped =
        ParseImageText(text, [](qsizetype i, qsizetype) { return i < 1000; });
    EXPECT_EQ(stopped.status, ParsedImage::Status::Cancelled);
}

TEST(ImageRefusal, OnlyAWholeImageOfTheAreaIsWritten)
{
    const MemoryArea eeprom = MemoryArea::eeprom();
    const QByteArray fmText = ImageFileText(imageLines(patternFor(MemoryArea::fm())));
    const QByteArray eepromText = ImageFileText(imageLines(patternFor(eeprom)));
    struct Case
    {
        const char* name;
        QByteArray text;
        MemoryArea area;
        QStringList saysAll; // empty: written
    };
    const Case cases[] = {
        {"the area's own image", eepromText, eeprom, {}},
        {"an FM image into EEPROM (its first 2048 values are sent)", fmText, eeprom, {}},
        {"an EEPROM image into FM",
         eepromText,
         MemoryArea::fm(),
         {"2048", "30720", "FM", "Прибор не изменён"}},
        {"one value short", eepromText.chopped(7), eeprom, {"2047", "2048", "EEPROM"}},
        {"an empty file", "", eeprom, {"0.", "2048"}},
        {"a value that is not one", eepromText + "XY", eeprom, {"Строка 137", "\"XY\""}},
        {"a tab at a line's start", "\t00", eeprom, {"Строка 1", "<Tab>00"}},
        {"a value over FF",
         eepromText + "1FF",
         eeprom,
         {"Строка 137", "\"1FF\"", "больше FF", "Прибор не изменён"}},
        {"too long", QByteArray(IMAGE_TEXT_LIMIT + 1, '0'), eeprom, {"300000"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const PopupMessage m = ImageRefusal(parse(c.text), c.area);
        EXPECT_EQ(m.text.isEmpty(), c.saysAll.isEmpty()) << m.text.toStdString();
        for (const QString& part : c.saysAll)
            EXPECT_TRUE(m.text.contains(part))
                << m.text.toStdString() << " lacks " << part.toStdString();
    }
}

TEST(Backup, IsNamedAfterAreaAndMomentAndNeverReplacesAnEarlierOne)
{
    const QDateTime when(QDate(2026, 12, 10), QTime(14, 3, 55));
    EXPECT_EQ(BackupFileName(MemoryArea::eeprom(), when), "EEPROM-2026-12-10_14-03-55.EEPROM");
    EXPECT_EQ(BackupFileName(MemoryArea::fm(), when), "FM-2026-12-10_14-03-55.EEPROM");

    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("backup"));
    const QStringList first = imageLines(patternFor(MemoryArea::eeprom()));
    const QStringList second = imageLines(Bytes(MemoryArea::eeprom().bytes(), 0x5A));
    QString a, b;
    ASSERT_EQ(StoreBackup(folder, MemoryArea::eeprom(), first, when, a), "") << "folder created";
    ASSERT_EQ(StoreBackup(folder, MemoryArea::eeprom(), second, when, b), "");
    EXPECT_EQ(QFileInfo(a).fileName(), "EEPROM-2026-12-10_14-03-55.EEPROM");
    EXPECT_EQ(QFileInfo(b).fileName(), "EEPROM-2026-12-10_14-03-55-2.EEPROM");
    QFile fa(a), fb(b);
    ASSERT_TRUE(fa.open(QIODevice::ReadOnly) && fb.open(QIODevice::ReadOnly));
    EXPECT_EQ(fa.readAll(), ImageFileText(first));
    EXPECT_EQ(fb.readAll(), ImageFileText(second));
}

TEST(ImageWriter, AFailedSaveSaysWhy)
{
    QTemporaryDir dir;
    EXPECT_NE(SaveImageFile(dir.filePath(QStringLiteral("no/such/folder/x.EEPROM")),
                            {QStringLiteral("00 ")}),
              "");
}

} // namespace
} // namespace korvel
