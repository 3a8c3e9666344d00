// The chart file reader: any bytes read without harm into points and a problem that agree
// with each other, and a file in the writer's own layout reads back as the points, the input
// bytes and the mask that were written, with a point or a comma for the separator.
#include "chart/core/ChartFileReader.h"
#include "chart/core/ChartFileWriter.h"

#include <QLocale>
#include <algorithm>
#include <cstdlib>

namespace {

void check(bool ok)
{
    if (!ok)
        std::abort();
}

using namespace korvel;

void checkAnyBytes(const std::uint8_t* data, std::size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const ChartFileContents c = ParseChartFile(bytes);
    check(c.times.size() == qsizetype(c.points.size()));
    if (c.traceMask != 0)
        check(c.traceBytes.size() == c.points.size());
    // No point without a line of its own behind it.
    const auto lineEnds = std::count_if(data, data + size, [](std::uint8_t b) {
        return b == '\n' || b == '\r';
    });
    check(c.points.size() <= std::size_t(lineEnds) + 1);
    check(c.problem.line >= 0);
    if (c.problem.kind == ChartFileProblem::Kind::Empty)
        check(c.points.empty());
    if (c.form == ChartFileContents::Form::Skipped)
        check(c.points.empty());
}

void checkRoundTrip(const std::uint8_t* data, std::size_t size)
{
    if (size < 3)
        return;
    ChartFileData d;
    d.periodText = QStringLiteral("7.5");
    d.filter1 = data[1] % 16;
    d.inputMask = data[0] & 0x1F;
    d.secondsPerPoint = 0.0075;
    for (std::size_t i = 3; i + 4 <= size && d.points.size() < 500; i += 4) {
        // A weight the file's five decimals hold exactly: a 24-bit count in thousandths.
        std::int32_t count = data[i] | data[i + 1] << 8 | data[i + 2] << 16;
        if (count & 0x800000)
            count -= 0x1000000;
        d.points.push_back({double(d.points.size()), count / 1000.0});
        d.inputs.push_back(data[i + 3]);
    }
    const QLocale locale = (data[2] & 1) ? QLocale(QLocale::Russian, QLocale::Russia) : QLocale::c();
    const ChartFileContents back = ParseChartFile(ChartFileBytes(d, locale));
    check(!back.problem);
    check(back.form == ChartFileContents::Form::Chart);
    check(back.points.size() == d.points.size());
    for (std::size_t i = 0; i < d.points.size(); ++i) {
        check(back.points[i].x == d.points[i].x);
        check(back.points[i].y == d.points[i].y);
    }
    check(back.traceMask == d.inputMask);
    if (d.inputMask != 0)
        check(back.traceBytes == d.inputs);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    checkAnyBytes(data, size);
    checkRoundTrip(data, size);
    return 0;
}
