#include "chart/core/ChartFileRecorder.h"

#include "chart/core/ChartFileFormat.h"
#include "settings/Cp1251.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>

namespace korvel {

namespace {

const QByteArray kLineEnd = QByteArrayLiteral("\r\n");

} // namespace

ChartFileRecorder::ChartFileRecorder(const QLocale& locale) : locale_(locale)
{
}

ChartFileRecorder::~ChartFileRecorder()
{
    finish();
}

bool ChartFileRecorder::start(const QString& path, const ChartFileData& run)
{
    // Unbuffered: a flush is one system write of whole lines, with nothing held back in a
    // buffer of the file's own that a killed process would take with it.
    finish();
    auto file = std::make_unique<QFile>(path);
    if (!file->open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        error_ = file->errorString();
        return false;
    }
    if (!start(std::move(file), run))
        return false;
    path_ = path;
    return true;
}

bool ChartFileRecorder::start(std::unique_ptr<QIODevice> device, const ChartFileData& run)
{
    finish();
    error_.clear();
    if (!device->isOpen() && !device->open(QIODevice::WriteOnly)) {
        error_ = device->errorString();
        return false;
    }
    device_ = std::move(device);
    written_ = 0;
    points_ = 0;
    mask_ = run.writtenMask();
    secondsPerPoint_ = run.secondsPerPoint;
    separator_ = ChartFileFormat::decimalSeparator(locale_);
    for (const QString& line : ChartFileHeaderLines(run))
        appendLine(line);
    for (std::size_t i = 0; i < run.points.size(); ++i)
        append(run.points[i], mask_ != 0 ? run.inputs[i] : std::uint8_t(0));
    return active();
}

void ChartFileRecorder::appendLine(const QString& line)
{
    pending_ += EncodeCp1251(line);
    pending_ += kLineEnd;
}

bool ChartFileRecorder::append(const ChartPoint& point, std::uint8_t input)
{
    if (!active())
        return false;
    appendLine(ChartFileDataLine(point, secondsPerPoint_, mask_, input, separator_));
    ++points_;
    if (pending_.size() >= kMaxPendingBytes)
        return flush();
    return true;
}

bool ChartFileRecorder::flush()
{
    if (!active())
        return false;
    if (pending_.isEmpty())
        return true;
    if (!path_.isEmpty() && !QFileInfo::exists(path_))
        return fail(qt_error_string(ENOENT));
    qint64 done = 0;
    while (done < pending_.size()) {
        const qint64 n = device_->write(pending_.constData() + done, pending_.size() - done);
        if (n <= 0)
            break;
        done += n;
    }
    if (done < pending_.size()) {
        // A line cut off by a full disk would read back as a broken one: keep whole lines.
        const qsizetype lastEnd = done >= 2 ? pending_.lastIndexOf(kLineEnd, done - 2) : -1;
        const qint64 whole = lastEnd < 0 ? 0 : lastEnd + 2;
        written_ += whole;
        if (auto* file = qobject_cast<QFileDevice*>(device_.get()); file && whole < done)
            file->resize(written_);
        return fail(device_->errorString());
    }
    written_ += done;
    pending_.resize(0); // keeps its room for the next second's lines
    return true;
}

bool ChartFileRecorder::fail(const QString& why)
{
    error_ = why;
    close();
    return false;
}

bool ChartFileRecorder::finish()
{
    if (!active())
        return true;
    const bool flushed = flush();
    close();
    return flushed;
}

void ChartFileRecorder::close()
{
    if (device_)
        device_->close();
    device_.reset();
    path_.clear();
    pending_.clear();
    pending_.squeeze();
}

} // namespace korvel
