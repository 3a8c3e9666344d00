// The chart file as written: the example file byte for byte, the number columns, the inputs
// column and when it is left out, the locale's separator.
#include "chart/core/ChartFileWriter.h"
#include "chart/core/ChartFileReader.h"
#include "chart/core/PaddedFixedText.h"

#include "ChartFileExample.h"
#include "support/QStringPrinter.h"
#include <QBuffer>
#include <QStringEncoder>

#include <gtest/gtest.h>

namespace korvel {
namespace {

const QLocale kPoint(QLocale::English, QLocale::UnitedStates);
const QLocale kComma(QLocale::Russian, QLocale::Russia);

ChartFileData exampleData()
{
    return test::exampleChartFileData();
}

QByteArray cp1251(const QString& text)
{
    QStringEncoder encode("windows-1251");
    return encode(text);
}

TEST(ChartFileWriter, TheExampleFileComesOutByteForByte)
{
    const QString expected = QStringLiteral("twi\r\n"
                                            "Период АЦП, мс = 7.50\r\n"
                                            "Фильтр1 = 3\r\n"
                                            "Маска вывода цифровых входов на графики = 1\r\n"
                                            "   № п/п      Time         Weight    DInput\r\n"
                                            "       0      0             12.345       00\r\n"
                                            "       1      0.06          12.35        01\r\n"
                                            "       2      0.12          -0.5         11\r\n"
                                            "       3      0.18           0           a5\r\n");
    const QByteArray bytes = ChartFileBytes(exampleData(), kPoint);
    EXPECT_EQ(bytes, cp1251(expected));
    // Windows-1251 itself, not UTF-8: "Период" and "№" as that code page has them.
    EXPECT_TRUE(bytes.contains("\r\n\xCF\xE5\xF0\xE8\xEE\xE4 "));
    EXPECT_TRUE(bytes.contains("   \xB9 \xEF/\xEF"));
}

TEST(ChartFileWriter, PaddedFixedTextKeepsTheLengthOfTheUntrimmedText)
{
    const struct
    {
        double value;
        const char* point;
        const char* comma;
    } cases[] = {
        {12.35, "12.35   ", "12,35   "}, {-0.5, "-0.5    ", "-0,5    "},
        {0, "0      ", "0      "},       {12.345, "12.345  ", "12,345  "},
        {120, "120      ", "120      "}, {0.00001, "0.00001", "0,00001"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PaddedFixedText(c.value, 5, kPoint), QString::fromUtf8(c.point)) << c.value;
        EXPECT_EQ(PaddedFixedText(c.value, 5, kComma), QString::fromUtf8(c.comma)) << c.value;
    }
}

TEST(ChartFileWriter, MaskZeroOrMissingRecordsGiveThreeFieldsAndLineFourEndsInZero)
{
    ChartFileData noMask = exampleData();
    noMask.inputMask = 0;
    // After a burst the points have no input records: the file must not claim any.
    ChartFileData noRecords = exampleData();
    noRecords.inputs.resize(2);
    for (const ChartFileData& d : {noMask, noRecords}) {
        const QStringList lines = ChartFileLines(d, kPoint);
        ASSERT_EQ(lines.size(), 9);
        EXPECT_EQ(lines[3], QStringLiteral("Маска вывода цифровых входов на графики = 0"));
        EXPECT_EQ(lines[4], QStringLiteral("   № п/п      Time         Weight    DInput"));
        EXPECT_EQ(lines[5], QStringLiteral("       0      0             12.345  "));
        EXPECT_EQ(lines[8], QStringLiteral("       3      0.18           0      "));
    }
}

TEST(ChartFileWriter, NumbersTakeTheLocalesSeparatorAndLongTextsWidenTheirField)
{
    ChartFileData d = exampleData();
    d.periodText = QStringLiteral("7,50");
    d.points = {{123456789, -1234567.125}};
    d.inputs = {0xFF};
    d.secondsPerPoint = 0.5;
    const QStringList lines = ChartFileLines(d, kComma);
    EXPECT_EQ(lines[1], QStringLiteral("Период АЦП, мс = 7,50"));
    EXPECT_EQ(lines[5], QStringLiteral("123456789") + QStringLiteral(" 61728394,5    ") +
                            QStringLiteral(" -1234567,125  ") + QStringLiteral("     ff"));
}

TEST(ChartFileWriter, ARunOf4000PointsMakes4005LinesThatReadBack)
{
    ChartFileData d = exampleData();
    d.points.clear();
    d.inputs.clear();
    for (int i = 0; i < 4000; ++i) {
        d.points.push_back({double(i + 7), (i % 97) * 0.125 - 3});
        d.inputs.push_back(std::uint8_t(i * 37));
    }
    QBuffer buffer;
    ASSERT_TRUE(buffer.open(QIODevice::WriteOnly));
    ASSERT_TRUE(WriteChartFile(buffer, d, kComma));
    EXPECT_EQ(buffer.data().count("\r\n"), 4005);
    EXPECT_FALSE(buffer.data().contains("\n\n"));

    const ChartFileContents back = ParseChartFile(buffer.data());
    ASSERT_FALSE(back.problem) << back.problem.text.toStdString();
    ASSERT_EQ(back.points.size(), d.points.size());
    for (std::size_t i = 0; i < d.points.size(); ++i) {
        ASSERT_EQ(back.points[i].x, d.points[i].x);
        ASSERT_EQ(back.points[i].y, d.points[i].y);
        ASSERT_EQ(back.traceBytes[i], d.inputs[i]);
    }
    EXPECT_EQ(back.times[1], QStringLiteral("0,48"));
}

} // namespace
} // namespace korvel
