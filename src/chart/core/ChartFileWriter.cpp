#include "chart/core/ChartFileWriter.h"

#include "chart/core/ChartFileFormat.h"
#include "chart/core/PaddedFixedText.h"
#include "settings/Cp1251.h"

#include <QIODevice>

namespace korvel {

namespace {

namespace f = ChartFileFormat;

// Field widths of a data line; a longer text widens its field.
constexpr int kNumberWidth = 8;
constexpr int kTimeWidth = 12;
constexpr int kWeightWidth = 14;
constexpr int kInputsWidth = 6;

// The number texts are made in the C locale and get the file's separator afterwards, so the
// file never carries a locale's own minus sign or digits.
QString columnNumber(double value, QChar separator)
{
    QString text = PaddedFixedText(value, f::kDecimals, QLocale::c());
    if (separator != QLatin1Char('.'))
        text.replace(QLatin1Char('.'), separator);
    return text;
}

void appendField(QString& line, const QString& text, int width)
{
    if (text.size() < width)
        line.append(QString(width - text.size(), QLatin1Char(' ')));
    line.append(text);
}

QString hexByte(std::uint8_t byte)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    const QChar digits[2] = {QLatin1Char(kDigits[byte >> 4]), QLatin1Char(kDigits[byte & 0x0F])};
    return QString(digits, 2);
}

} // namespace

QStringList ChartFileHeaderLines(const ChartFileData& data)
{
    return {f::signature(), f::periodHeader() + data.periodText,
            f::filterHeader() + QString::number(data.filter1),
            f::maskHeader() + QString::number(data.writtenMask()), f::columnHeader()};
}

QString ChartFileDataLine(const ChartPoint& p, double secondsPerPoint, std::uint8_t mask,
                          std::uint8_t input, QChar separator)
{
    return ChartFileDataLine(p.x, p.x * secondsPerPoint, p.y, mask, input, separator);
}

QString ChartFileDataLine(double number, double seconds, double weight, std::uint8_t mask,
                          std::uint8_t input, QChar separator)
{
    QString line;
    line.reserve(48);
    appendField(line, QLocale::c().toString(number, 'f', 0), kNumberWidth);
    line.append(QLatin1Char(' '));
    appendField(line, columnNumber(seconds, separator), kTimeWidth);
    line.append(QLatin1Char(' '));
    appendField(line, columnNumber(weight, separator), kWeightWidth);
    if (mask != 0) {
        line.append(QLatin1Char(' '));
        appendField(line, hexByte(input), kInputsWidth);
    }
    return line;
}

QStringList ChartFileLines(const ChartFileData& data, const QLocale& locale)
{
    const QChar separator = f::decimalSeparator(locale);
    const std::uint8_t mask = data.writtenMask();
    QStringList lines = ChartFileHeaderLines(data);
    lines.reserve(qsizetype(data.points.size()) + f::kHeaderLines);
    for (std::size_t i = 0; i < data.points.size(); ++i)
        lines << ChartFileDataLine(data.points[i], data.secondsPerPoint, mask,
                                   mask != 0 ? data.inputs[i] : std::uint8_t(0), separator);
    return lines;
}

QByteArray ChartFileBytes(const ChartFileData& data, const QLocale& locale)
{
    const QStringList lines = ChartFileLines(data, locale);
    QString text;
    qsizetype size = 0;
    for (const QString& line : lines)
        size += line.size() + 2;
    text.reserve(size);
    for (const QString& line : lines) {
        text += line;
        text += QLatin1String("\r\n");
    }
    return EncodeCp1251(text);
}

bool WriteChartFile(QIODevice& device, const ChartFileData& data, const QLocale& locale)
{
    const QByteArray bytes = ChartFileBytes(data, locale);
    return device.write(bytes) == bytes.size();
}

} // namespace korvel
