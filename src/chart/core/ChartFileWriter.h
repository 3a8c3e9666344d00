#pragma once
#include "chart/core/ChartPoint.h"

#include <QByteArray>
#include <QLocale>
#include <QString>
#include <cstdint>
#include <vector>

class QIODevice;

namespace korvel {

// What a chart file records: the header values and the points shown.
struct ChartFileData
{
    QString periodText;           // the ADC period field's text
    int filter1 = 0;              // the Filter1 control
    std::uint8_t inputMask = 0;   // the inputs drawn while the points were recorded
    double secondsPerPoint = 0.0; // the time column: X x this
    std::vector<ChartPoint> points;
    // The input byte of each point. When it does not hold one for every point, the file says
    // mask 0 and has no inputs column: it never claims inputs it does not hold.
    std::vector<std::uint8_t> inputs;

    // The mask the file states.
    std::uint8_t writtenMask() const
    {
        return inputs.size() == points.size() ? inputMask : std::uint8_t(0);
    }
};

// The lines of the file, without line ends.
QStringList ChartFileLines(const ChartFileData& data, const QLocale& locale = QLocale());
// Its five header lines alone (the points are not looked at, but for the mask they allow).
QStringList ChartFileHeaderLines(const ChartFileData& data);
// One data line: point `p` of a run with `secondsPerPoint`, and its input byte when `mask` (the
// mask the file states) is not 0; numbers with the file's decimal `separator`
// (ChartFileFormat::decimalSeparator). A file recorded point by point shares it.
QString ChartFileDataLine(const ChartPoint& p, double secondsPerPoint, std::uint8_t mask,
                          std::uint8_t input, QChar separator);
// The same line from a point's number, its time in seconds and its weight.
QString ChartFileDataLine(double number, double seconds, double weight, std::uint8_t mask,
                          std::uint8_t input, QChar separator);
// The file's bytes: Windows-1251, every line ended by CR LF.
QByteArray ChartFileBytes(const ChartFileData& data, const QLocale& locale = QLocale());
// Writes the file to an open device; false when the device took less than all of it.
// SaveChartFile (chart/ChartFileSave.h) puts it on disk.
bool WriteChartFile(QIODevice& device, const ChartFileData& data,
                    const QLocale& locale = QLocale());

} // namespace korvel
