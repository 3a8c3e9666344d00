// Reading chart files, older chart files and plain two-column texts as tables of small files:
// the points, the labels' exact texts, the input traces, the axis rules, every bad input with
// where it stopped, and nasty bytes that must never crash or hang the reader.
#include "chart/core/ChartFileReader.h"
#include "chart/core/ChartFileFormat.h"
#include "chart/core/ShownDataAxes.h"

#include "support/QStringPrinter.h"
#include <QBuffer>
#include <QStringEncoder>

#include <gtest/gtest.h>

#include <random>

namespace korvel {
namespace {

using Form = ChartFileContents::Form;
using Kind = ChartFileProblem::Kind;

QByteArray file(const QStringList& lines, const char* end = "\r\n")
{
    QStringEncoder encode("windows-1251");
    QByteArray bytes;
    for (const QString& line : lines)
        bytes += encode(line) + end;
    return bytes;
}

QStringList header(const QString& line4)
{
    return {QStringLiteral("twi"), QStringLiteral("Период АЦП, мс = 7.50"),
            QStringLiteral("Фильтр1 = 3"), line4,
            QStringLiteral("   № п/п      Time         Weight    DInput")};
}
QString maskLine(int mask)
{
    return QStringLiteral("Маска вывода цифровых входов на графики = %1").arg(mask);
}
QString olderLine(int n)
{
    return QStringLiteral("График цифровых входов = %1").arg(n);
}

// Four points whose input bytes are 00, 01, 04, a5.
QStringList withInputs(QStringList lines)
{
    lines << QStringLiteral("       0      0             12.345       00")
          << QStringLiteral("       1      0.06          12.35        01")
          << QStringLiteral("       2      0.12          -0.5         04")
          << QStringLiteral("       3      0.18           0           a5");
    return lines;
}

// Where each trace is on, point by point: "1:0101 3:0011".
std::string traces(const ChartFileContents& c)
{
    std::string out;
    for (int k = 1; k <= 5; ++k) {
        if (!((c.traceMask >> (k - 1)) & 1))
            continue;
        out += (out.empty() ? "" : " ") + std::to_string(k) + ":";
        for (std::uint8_t b : c.traceBytes)
            out += ((b >> (k - 1)) & 1) ? '1' : '0';
    }
    return out;
}

TEST(ChartFileReader, ChartFilesOfBothFormsWithTheirLabelsAndTraces)
{
    const struct
    {
        QString line4;
        Form form;
        const char* inputsLabel;
        const char* traces;
    } cases[] = {
        {maskLine(1), Form::Chart, "Цифровой вход № 1", "1:0101"},
        {maskLine(5), Form::Chart, "Показывать цифр. входы 1, 3", "1:0101 3:0011"},
        {maskLine(0x1F), Form::Chart, "Показывать цифр. входы 1, 2, 3, 4, 5",
         "1:0101 2:0000 3:0011 4:0000 5:0000"},
        {maskLine(16), Form::Chart, "Цифровой вход № 5", "5:0000"},
        // A bit beyond the five inputs makes it no single input.
        {maskLine(0x41), Form::Chart, "Показывать цифр. входы 1", "1:0101"},
        {maskLine(0xE0), Form::Chart, "Цифр. входы не записывались", ""},
        {maskLine(0x101), Form::Chart, "Цифровой вход № 1", "1:0101"}, // low 8 bits
        {olderLine(3), Form::OlderChart, "Цифровой вход № 3", "1:0011"},
        {olderLine(1), Form::OlderChart, "Цифровой вход № 1", "1:0101"},
        {olderLine(64), Form::OlderChart, "Показывать цифр. входы 1 ... 5", "1:0111"},
        {olderLine(128), Form::OlderChart, "Показывать цифр. входы 1 ... 5 (байт)", "1:0111"},
        {olderLine(7), Form::OlderChart, "", ""},
        {olderLine(0), Form::OlderChart, "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line4.toStdString());
        const ChartFileContents r = ParseChartFile(file(withInputs(header(c.line4))));
        EXPECT_FALSE(r.problem) << r.problem.line << " " << r.problem.text.toStdString();
        EXPECT_EQ(r.form, c.form);
        EXPECT_EQ(r.periodLabel, QStringLiteral("Период АЦП, мс = 7.50      Фильтр1 = 3"));
        EXPECT_EQ(r.inputsLabel, QString::fromUtf8(c.inputsLabel));
        EXPECT_EQ(traces(r), c.traces);
        ASSERT_EQ(r.points.size(), 4u);
        EXPECT_EQ(r.points[2].x, 2);
        EXPECT_EQ(r.points[2].y, -0.5);
        EXPECT_EQ(r.times, (QStringList{"0", "0.06", "0.12", "0.18"}));
    }
}

TEST(ChartFileReader, MaskZeroReadsThreeFieldsAndDrawsNoTrace)
{
    QStringList lines = header(maskLine(0));
    lines << QStringLiteral("       5      0.3           -1      ")
          << QStringLiteral("       6      0.36          -2      ");
    const ChartFileContents r = ParseChartFile(file(lines));
    EXPECT_FALSE(r.problem);
    EXPECT_EQ(r.inputsLabel, QStringLiteral("Цифр. входы не записывались"));
    EXPECT_EQ(r.traceMask, 0);
    ASSERT_EQ(r.points.size(), 2u);
    EXPECT_EQ(r.points[0].x, 5);
    EXPECT_EQ(r.points[1].y, -2);
}

TEST(ChartFileReader, PlainTextAndSkippedFiles)
{
    const ChartFileContents plain =
        ParseChartFile(file({QStringLiteral("0.000 10"), QStringLiteral("0.010 10.5")}));
    EXPECT_EQ(plain.form, Form::Plain);
    EXPECT_FALSE(plain.problem);
    ASSERT_EQ(plain.points.size(), 2u);
    EXPECT_EQ(plain.points[0].x, 0);
    EXPECT_EQ(plain.points[0].y, 10);
    EXPECT_EQ(plain.points[1].x, 1);
    EXPECT_EQ(plain.points[1].y, 10.5);
    EXPECT_EQ(plain.times, (QStringList{"0.000", "0.010"}));
    EXPECT_TRUE(plain.periodLabel.isEmpty());
    EXPECT_TRUE(plain.inputsLabel.isEmpty());

    // Tabs, LF line ends, a comma, fields beyond the second, blank lines at the end.
    const ChartFileContents loose = ParseChartFile("1,5\t-3,25 extra\n2 4e1\n\n  \r\n\t\n");
    EXPECT_FALSE(loose.problem);
    ASSERT_EQ(loose.points.size(), 2u);
    EXPECT_EQ(loose.points[0].y, -3.25);
    EXPECT_EQ(loose.points[1].y, 40);
    EXPECT_EQ(plain.weightDecimals, 1);
    EXPECT_EQ(loose.weightDecimals, 2) << "an exponent's digits are no decimals";

    // "twi" must be the whole first line; "#" ends the load with nothing shown.
    EXPECT_EQ(ParseChartFile("twi \r\n1 2\r\n").form, Form::Plain);
    const ChartFileContents skipped = ParseChartFile("# a comment\r\n1 2\r\n");
    EXPECT_EQ(skipped.form, Form::Skipped);
    EXPECT_TRUE(skipped.points.empty());
    EXPECT_FALSE(skipped.problem);
}

TEST(ChartFileReader, ANumberFromTheOtherLocaleReadsAlike)
{
    QStringList lines = header(maskLine(0));
    lines[1] = QStringLiteral("Период АЦП, мс = 7,50");
    lines << QStringLiteral("       0      0,06          12,35   ");
    const ChartFileContents r = ParseChartFile(file(lines));
    EXPECT_FALSE(r.problem);
    EXPECT_EQ(r.periodLabel, QStringLiteral("Период АЦП, мс = 7,50      Фильтр1 = 3"));
    ASSERT_EQ(r.points.size(), 1u);
    EXPECT_EQ(r.points[0].y, 12.35);
    EXPECT_EQ(r.times[0], QStringLiteral("0,06"));
    double time = 0.0;
    EXPECT_TRUE(ParseChartNumber(r.times[0], time));
    EXPECT_EQ(time, 0.06);
}

// The decimals a file's weights show: the most of any line, since the writer drops trailing
// zeros (12.340 is written 12.34).
TEST(ChartFileReader, TheWeightsDecimalsAreTheMostAnyLineShows)
{
    QStringList lines = header(maskLine(0));
    lines << QStringLiteral("       0      0             12.34   ")
          << QStringLiteral("       1      0.06          12.345  ")
          << QStringLiteral("       2      0.12          12      ");
    EXPECT_EQ(ParseChartFile(file(lines)).weightDecimals, 3);
    EXPECT_EQ(ParseChartFile(file(header(maskLine(0)))).weightDecimals, 0) << "no points";
}

TEST(ChartFileReader, BadInputEndsTheReadingWhereItIsAndKeepsThePointsBefore)
{
    const QString twenty(20, QLatin1Char('9'));
    const QString good = QStringLiteral("       0      0              1      ");
    const struct
    {
        const char* name;
        QByteArray bytes;
        Kind kind;
        int line;
        const char* text;
        std::size_t pointsKept;
    } cases[] = {
        {"empty file", "", Kind::Empty, 0, "", 0},
        {"blank lines only", "\r\n  \r\n", Kind::Empty, 0, "", 0},
        {"fewer than five lines", file(header(maskLine(0)).mid(0, 3)), Kind::TooShort, 4, "", 0},
        {"period caption", file(QStringList(header(maskLine(0))).replaceInStrings("Период", "Пер")),
         Kind::HeaderMismatch, 2, "", 0},
        {"filter caption",
         file(QStringList(header(maskLine(0))).replaceInStrings("Фильтр1", "Filter1")),
         Kind::HeaderMismatch, 3, "", 0},
        {"inputs caption", file(header(QStringLiteral("Маска = 1"))), Kind::HeaderMismatch, 4,
         "Маска = 1", 0},
        {"period not a number",
         file(QStringList(header(maskLine(0))).replaceInStrings("7.50", "7.5.0")), Kind::NotANumber,
         2, "7.5.0", 0},
        {"filter not a number",
         file(QStringList(header(maskLine(0))).replaceInStrings("= 3", "= x")), Kind::NotANumber, 3,
         "x", 0},
        {"mask not a number",
         file(header(QStringLiteral("Маска вывода цифровых входов на графики = ab"))),
         Kind::NotANumber, 4, "ab", 0},
        {"missing field", file(header(maskLine(0)) << good << good << QStringLiteral("  2  0.12")),
         Kind::LineMismatch, 8, "  2  0.12", 2},
        {"missing inputs field", file(header(maskLine(1)) << good + "01" << good),
         Kind::LineMismatch, 7, "", 1},
        {"blank line in the middle", file(header(maskLine(0)) << good << "" << good),
         Kind::LineMismatch, 7, "", 1},
        {"weight not a number", file(header(maskLine(0)) << good << QStringLiteral("1 0.06 1.2.3")),
         Kind::NotANumber, 7, "1.2.3", 1},
        {"weight not finite", file(header(maskLine(0)) << QStringLiteral("1 0.06 inf")),
         Kind::NotANumber, 6, "inf", 0},
        {"point number", file(header(maskLine(0)) << QStringLiteral("1x 0.06 1")), Kind::NotANumber,
         6, "1x", 0},
        {"point number too large", file(header(maskLine(0)) << QStringLiteral("99999999999 0 1")),
         Kind::NotANumber, 6, "99999999999", 0},
        {"inputs not hexadecimal", file(header(maskLine(1)) << QStringLiteral("0 0 1 zz")),
         Kind::NotANumber, 6, "zz", 0},
        {"time text too long", file(header(maskLine(0)) << good << "1 " + twenty + " 1"),
         Kind::TextTooLong, 7, "99999999999999999999", 1},
        {"weight text too long", file({QStringLiteral("0 1"), "1 " + twenty}), Kind::TextTooLong, 2,
         "99999999999999999999", 1},
        {"plain line of one field", file({QStringLiteral("0 1"), QStringLiteral("5")}),
         Kind::LineMismatch, 2, "5", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ChartFileContents r = ParseChartFile(c.bytes);
        EXPECT_EQ(r.problem.kind, c.kind);
        EXPECT_EQ(r.problem.line, c.line);
        if (*c.text) {
            EXPECT_EQ(r.problem.text, QString::fromUtf8(c.text));
        }
        EXPECT_EQ(r.points.size(), c.pointsKept);
        EXPECT_EQ(r.times.size(), qsizetype(r.points.size()));
    }
}

// Numbers in the shape the files write are read on a short way; every shape near it must read
// as the general way (QLocale's C form after a comma became a point) reads it, or be refused.
TEST(ChartFileReader, NumbersOfEveryShapeReadAsTheLocaleReadsThem)
{
    const QStringList weights{"12.5",
                              "-0,5",
                              "-0",
                              "007",
                              "5.",
                              ".5",
                              "+5",
                              "1e3",
                              "-",
                              "1.2.3",
                              "1,2",
                              "--1",
                              "12a",
                              "0.1234567890123456",
                              "999999999999999999"};
    const QStringList numbers{"7", "-7", "+7", "0007", "-", "123456789", "1234567890", "1.0"};
    const QStringList bytes{"0A", "fF", "+f", "0x1f", "ffffffff", "g"};
    for (const QString& w : weights) {
        SCOPED_TRACE(w.toStdString());
        bool ok = false;
        const double expected = QLocale::c().toDouble(QString(w).replace(',', '.'), &ok);
        const ChartFileContents r = ParseChartFile(file({QStringLiteral("0 ") + w}));
        ASSERT_EQ(r.points.size(), ok ? 1u : 0u);
        if (ok) {
            EXPECT_EQ(r.points[0].y, expected);
        }
    }
    for (const QString& n : numbers) {
        SCOPED_TRACE(n.toStdString());
        bool ok = false;
        const int expected = n.toInt(&ok);
        const ChartFileContents r =
            ParseChartFile(file(header(maskLine(0)) << n + QStringLiteral(" 0 1")));
        ASSERT_EQ(r.points.size(), ok ? 1u : 0u);
        if (ok) {
            EXPECT_EQ(r.points[0].x, expected);
        }
    }
    for (const QString& b : bytes) {
        SCOPED_TRACE(b.toStdString());
        bool ok = false;
        const uint expected = QString(b).remove(QStringLiteral("0x")).toUInt(&ok, 16);
        const ChartFileContents r =
            ParseChartFile(file(header(maskLine(1)) << QStringLiteral("0 0 1 ") + b));
        ASSERT_EQ(r.points.size(), ok ? 1u : 0u);
        if (ok) {
            EXPECT_EQ(r.traceBytes[0], expected & 0xFF);
        }
    }
}

TEST(ChartFileReader, AFileLargerThanAnyChartIsRefusedUnread)
{
    QByteArray big = file(header(maskLine(0)));
    big.resize(ChartFileFormat::kMaxFileBytes + 1, ' ');
    QBuffer buffer(&big);
    ASSERT_TRUE(buffer.open(QIODevice::ReadOnly));
    const ChartFileContents r = ReadChartFile(buffer);
    EXPECT_EQ(r.problem.kind, Kind::TooLarge);
    EXPECT_EQ(buffer.pos(), 0) << "nothing read";
    EXPECT_TRUE(r.points.empty());
}

TEST(ChartFileReader, NastyBytesNeverCrashAndKeepTheContentsConsistent)
{
    const QByteArray valid = file(withInputs(header(maskLine(0x1F))));
    std::vector<QByteArray> inputs;
    for (qsizetype n = 0; n <= valid.size(); ++n)
        inputs.push_back(valid.left(n)); // cut anywhere, a multi-byte line end included
    std::mt19937 random(9);
    for (int i = 0; i < 300; ++i) {
        QByteArray bytes(qsizetype(random() % 400), '\0');
        for (char& b : bytes)
            b = char(random());
        inputs.push_back(bytes);
        // The valid file with a few bytes changed.
        QByteArray mutated = valid;
        for (int k = 0; k < 3; ++k)
            mutated[qsizetype(random() % std::uint32_t(mutated.size()))] = char(random());
        inputs.push_back(mutated);
    }
    inputs.push_back(QByteArray("twi\r", 4) + QByteArray(100000, '\r'));
    inputs.push_back(valid.left(200) + QByteArray(1 << 20, 'x')); // one huge line
    inputs.push_back(QByteArray("\0\0\0 \0", 5) + QByteArray("\x98\xff\xfe", 3));
    inputs.push_back(valid + QByteArray("       4      0.24           0       0x1FFFFFFFF\r\n"));

    for (const QByteArray& bytes : inputs) {
        const ChartFileContents r = ParseChartFile(bytes);
        ASSERT_EQ(r.times.size(), qsizetype(r.points.size()));
        ASSERT_TRUE(r.traceBytes.empty() || r.traceBytes.size() == r.points.size());
        ASSERT_GE(r.problem.line, 0);
        ASSERT_LE(r.problem.line, bytes.count('\n') + bytes.count('\r') + 2); // a missing line
        for (const ChartPoint& p : r.points)
            ASSERT_TRUE(std::isfinite(p.y));
    }
}

TEST(ShownDataAxes, FileAndBurstRules)
{
    const struct
    {
        double least, greatest;
        double fileMin, fileMax;
        double burstMin, burstMax;
    } cases[] = {
        {-5, -5, -5.1, -4.9, -5.1, -4.9},
        {5, 5, 4.9, 5.1, 4.9, 5.1},
        {0, 0, 0, 0, 0, 0},
        // Span 70: 1 each side; then 2 % of 72 below, and 2 % of the new 73.44 above.
        {0, 70, -1, 71, -2.44, 72.4688},
        {70, 0, -1, 71, -2.44, 72.4688}, // given the wrong way round
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.least << " .. " << c.greatest);
        const ValueRange file = FileValueRange(c.least, c.greatest);
        EXPECT_NEAR(file.min, c.fileMin, 1e-9);
        EXPECT_NEAR(file.max, c.fileMax, 1e-9);
        const ValueRange burst = BurstValueRange(c.least, c.greatest);
        EXPECT_NEAR(burst.min, c.burstMin, 1e-9);
        EXPECT_NEAR(burst.max, c.burstMax, 1e-9);
    }
}

} // namespace
} // namespace korvel
