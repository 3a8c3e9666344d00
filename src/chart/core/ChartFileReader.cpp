#include "chart/core/ChartFileReader.h"

#include "chart/core/ChartFileFormat.h"
#include "chart/core/InputTraces.h"
#include "settings/Cp1251.h"

#include <QIODevice>

#include <algorithm>
#include <charconv>
#include <cmath>

namespace korvel {

namespace {

namespace f = ChartFileFormat;
using Kind = ChartFileProblem::Kind;

constexpr int kOlderAnyInput = 64;
constexpr int kOlderInputByte = 128;
constexpr std::uint8_t kDrawnInputs = 0x1F;
constexpr int kMaxHexDigits = 8;

bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\v') ||
           c == QLatin1Char('\f');
}

bool isBlankLine(QStringView line)
{
    for (QChar c : line)
        if (!isBlank(c))
            return false;
    return true;
}

// The lines of the text without their ends, blank lines at the end left out.
std::vector<QStringView> splitLines(QStringView text)
{
    std::vector<QStringView> lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != QLatin1Char('\n') && c != QLatin1Char('\r'))
            continue;
        lines.push_back(text.mid(start, i - start));
        if (c == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n'))
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines.push_back(text.mid(start));
    while (!lines.empty() && isBlankLine(lines.back()))
        lines.pop_back();
    return lines;
}

// Up to `wanted` blank-separated fields of a line.
int fieldsOf(QStringView line, QStringView* fields, int wanted)
{
    int n = 0;
    qsizetype i = 0;
    while (n < wanted) {
        while (i < line.size() && isBlank(line[i]))
            ++i;
        if (i == line.size())
            break;
        const qsizetype start = i;
        while (i < line.size() && !isBlank(line[i]))
            ++i;
        fields[n++] = line.mid(start, i - start);
    }
    return n;
}

// The shape the chart files write, "-12.345" or "0,06": an optional minus, digits, and a point
// or a comma followed by digits. Such a text is read here at once (a long file has a million);
// any other shape goes the general way below, which decides what it accepts.
constexpr qsizetype kMaxPlainDecimal = 40;

bool plainDecimal(QStringView text, double& value)
{
    if (text.size() > kMaxPlainDecimal)
        return false;
    char buffer[kMaxPlainDecimal];
    qsizetype n = 0, i = 0;
    if (i < text.size() && text[i] == QLatin1Char('-'))
        buffer[n++] = '-', ++i;
    auto digits = [&] {
        const qsizetype start = i;
        while (i < text.size() && text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9'))
            buffer[n++] = char(text[i++].unicode());
        return i > start;
    };
    if (!digits())
        return false;
    if (i < text.size()) {
        if (text[i] != QLatin1Char('.') && text[i] != QLatin1Char(','))
            return false;
        buffer[n++] = '.', ++i;
        if (!digits() || i != text.size())
            return false;
    }
    const auto [end, error] = std::from_chars(buffer, buffer + n, value);
    return error == std::errc() && end == buffer + n;
}

// A number as written by any locale: a point or a comma before the decimals, no groups.
bool toNumber(QStringView text, double& value)
{
    if (plainDecimal(text.trimmed(), value))
        return true;
    QString t = text.trimmed().toString();
    t.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    value = QLocale::c().toDouble(t, &ok);
    return ok && std::isfinite(value);
}

// The digits after the decimal separator (an exponent's are not decimals).
int decimalsOf(QStringView text)
{
    const qsizetype separator =
        std::max(text.indexOf(QLatin1Char('.')), text.indexOf(QLatin1Char(',')));
    if (separator < 0)
        return 0;
    int n = 0;
    for (qsizetype i = separator + 1; i < text.size() && text[i].isDigit(); ++i)
        ++n;
    return n;
}

bool toInteger(QStringView text, int& value)
{
    // The point numbers' shape, read at once: up to nine digits, perhaps after a minus.
    const QStringView t = text.trimmed();
    const bool minus = t.startsWith(QLatin1Char('-'));
    const QStringView digits = t.mid(minus ? 1 : 0);
    if (!digits.isEmpty() && digits.size() <= 9) {
        int v = 0;
        bool plain = true;
        for (QChar c : digits) {
            if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
                plain = false;
                break;
            }
            v = v * 10 + (c.unicode() - '0');
        }
        if (plain) {
            value = minus ? -v : v;
            return true;
        }
    }
    bool ok = false;
    value = text.trimmed().toInt(&ok, 10);
    return ok;
}

// An input byte as "%x" reads it: hexadecimal digits, an optional 0x; the low 8 bits count.
bool toInputByte(QStringView text, std::uint8_t& byte)
{
    if (text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        text = text.mid(2);
    if (text.isEmpty() || text.size() > kMaxHexDigits)
        return false;
    // Plain hexadecimal digits, as the files write them, read at once.
    uint digits = 0;
    bool plain = true;
    for (QChar c : text) {
        const char16_t u = c.unicode();
        const int d = u >= '0' && u <= '9'   ? u - '0'
                      : u >= 'a' && u <= 'f' ? u - 'a' + 10
                      : u >= 'A' && u <= 'F' ? u - 'A' + 10
                                             : -1;
        if (d < 0) {
            plain = false;
            break;
        }
        digits = digits * 16 + uint(d);
    }
    if (plain) {
        byte = static_cast<std::uint8_t>(digits & 0xFF);
        return true;
    }
    bool ok = false;
    const uint v = text.toUInt(&ok, 16);
    byte = static_cast<std::uint8_t>(v & 0xFF);
    return ok;
}

class Reader
{
public:
    explicit Reader(ChartFileContents& out) : out_(out) {}

    void read(const std::vector<QStringView>& lines)
    {
        if (lines.empty()) {
            fail(Kind::Empty, 0);
            return;
        }
        if (lines[0] == f::signature()) {
            readChartFile(lines);
        } else if (lines[0].startsWith(QLatin1Char('#'))) {
            out_.form = ChartFileContents::Form::Skipped;
        } else {
            out_.form = ChartFileContents::Form::Plain;
            for (std::size_t i = 0; i < lines.size(); ++i)
                if (!readPoint(lines[i], int(i) + 1, false, double(out_.points.size())))
                    return;
        }
    }

private:
    bool fail(Kind kind, int line, QStringView text = {})
    {
        out_.problem = {kind, line, text.toString()};
        return false;
    }

    void readChartFile(const std::vector<QStringView>& lines)
    {
        out_.form = ChartFileContents::Form::Chart;
        if (lines.size() < std::size_t(f::kHeaderLines)) {
            fail(Kind::TooShort, int(lines.size()) + 1);
            return;
        }
        if (!readPeriodAndFilter(lines[1], lines[2]) || !readInputsLine(lines[3]))
            return;
        for (std::size_t i = f::kHeaderLines; i < lines.size(); ++i) {
            if (!readPoint(lines[i], int(i) + 1, true, 0.0))
                return;
        }
    }

    bool readPeriodAndFilter(QStringView periodLine, QStringView filterLine)
    {
        if (!periodLine.startsWith(f::periodHeader()))
            return fail(Kind::HeaderMismatch, 2, periodLine);
        const QStringView periodText =
            periodLine.mid(f::periodHeader().size(), f::kPeriodTextLength);
        out_.periodLabel = f::periodHeader() + periodText.toString();
        double period = 0.0;
        if (!toNumber(periodText, period))
            return fail(Kind::NotANumber, 2, periodText);

        if (!filterLine.startsWith(f::filterHeader()))
            return fail(Kind::HeaderMismatch, 3, filterLine);
        const QStringView filterText =
            filterLine.mid(f::filterHeader().size(), f::kFilterTextLength);
        out_.periodLabel += QStringLiteral("      Фильтр1 = ") + filterText.toString();
        int filter = 0;
        if (!toInteger(filterText, filter))
            return fail(Kind::NotANumber, 3, filterText);
        return true;
    }

    bool readInputsLine(QStringView line)
    {
        const bool older = line.startsWith(f::olderInputHeader());
        if (!older && !line.startsWith(f::maskHeader()))
            return fail(Kind::HeaderMismatch, 4, line);
        const QStringView valueText = line.mid(
            (older ? f::olderInputHeader() : f::maskHeader()).size(), f::kInputValueLength);
        int value = 0;
        if (!toInteger(valueText, value))
            return fail(Kind::NotANumber, 4, valueText);
        value &= 0xFF;
        if (older) {
            out_.form = ChartFileContents::Form::OlderChart;
            olderInput_ = value;
            out_.inputsLabel = InputsLabelForOlderInput(value);
            out_.traceMask = out_.inputsLabel.isEmpty() ? 0 : 1;
        } else {
            out_.inputsLabel = InputsLabelForMask(std::uint8_t(value));
            out_.traceMask = std::uint8_t(value) & kDrawnInputs;
        }
        return true;
    }

    // A data line: "number time weight [inputs]" in a chart file, "time weight" in a plain
    // one (whose X is given).
    bool readPoint(QStringView line, int lineNumber, bool chartFile, double plainX)
    {
        const bool withInputs = chartFile && out_.traceMask != 0;
        const int needed = (chartFile ? 3 : 2) + (withInputs ? 1 : 0);
        QStringView fields[4];
        if (fieldsOf(line, fields, needed) < needed)
            return fail(Kind::LineMismatch, lineNumber, line);
        int k = 0;
        double x = plainX;
        if (chartFile) {
            int number = 0;
            if (!toInteger(fields[k], number))
                return fail(Kind::NotANumber, lineNumber, fields[k]);
            x = number;
            ++k;
        }
        const QStringView time = fields[k++];
        const QStringView weightText = fields[k++];
        for (QStringView text : {time, weightText})
            if (text.size() > f::kMaxTextLength)
                return fail(Kind::TextTooLong, lineNumber, text);
        double weight = 0.0;
        if (!toNumber(weightText, weight))
            return fail(Kind::NotANumber, lineNumber, weightText);
        std::uint8_t inputs = 0;
        if (withInputs && !toInputByte(fields[k], inputs))
            return fail(Kind::NotANumber, lineNumber, fields[k]);

        out_.points.push_back({x, weight});
        out_.times << time.toString();
        out_.weightDecimals = std::max(out_.weightDecimals, decimalsOf(weightText));
        if (withInputs) {
            if (out_.form == ChartFileContents::Form::OlderChart)
                inputs = OlderTraceOn(olderInput_, inputs) ? 1 : 0;
            out_.traceBytes.push_back(inputs);
        }
        return true;
    }

    ChartFileContents& out_;
    int olderInput_ = 0;
};

} // namespace

bool ParseChartNumber(QStringView text, double& value)
{
    return toNumber(text, value);
}

QString InputsLabelForMask(std::uint8_t mask)
{
    const std::uint8_t drawn = mask & kDrawnInputs;
    if (drawn == 0)
        return QStringLiteral("Цифр. входы не записывались");
    if (drawn == mask && (drawn & (drawn - 1)) == 0) {
        for (int k = 1; k <= kInputCount; ++k)
            if (InputBit(mask, k))
                return QStringLiteral("Цифровой вход № %1").arg(k);
    }
    QStringList inputs;
    for (int k = 1; k <= kInputCount; ++k)
        if (InputBit(mask, k))
            inputs << QString::number(k);
    return QStringLiteral("Показывать цифр. входы ") + inputs.join(QStringLiteral(", "));
}

QString InputsLabelForOlderInput(int n)
{
    if (n == kOlderAnyInput)
        return QStringLiteral("Показывать цифр. входы 1 ... 5");
    if (n == kOlderInputByte)
        return QStringLiteral("Показывать цифр. входы 1 ... 5 (байт)");
    if (n >= 1 && n <= kInputCount)
        return QStringLiteral("Цифровой вход № %1").arg(n);
    return {};
}

bool OlderTraceOn(int n, std::uint8_t byte)
{
    if (n >= 1 && n <= kInputCount)
        return InputBit(byte, n);
    if (n == kOlderAnyInput)
        return (byte & kDrawnInputs) != 0;
    if (n == kOlderInputByte)
        return byte != 0;
    return false;
}

ChartFileContents ParseChartFile(QByteArrayView bytes)
{
    const QString text = DecodeCp1251(bytes);
    ChartFileContents out;
    Reader(out).read(splitLines(text));
    return out;
}

ChartFileContents ReadChartFile(QIODevice& device)
{
    ChartFileContents out;
    if (!device.isSequential() && device.size() > f::kMaxFileBytes) {
        out.problem = {Kind::TooLarge, 0, QString::number(device.size())};
        return out;
    }
    const QByteArray bytes = device.read(f::kMaxFileBytes + 1);
    if (bytes.size() > f::kMaxFileBytes) {
        out.problem = {Kind::TooLarge, 0, QString::number(bytes.size())};
        return out;
    }
    return ParseChartFile(bytes);
}

} // namespace korvel
