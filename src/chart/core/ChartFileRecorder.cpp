#include "chart/core/ChartFileRecorder.h"

#include "chart/core/ChartFileFormat.h"
#include "settings/Cp1251.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>

namespace korvel {

namespace {

const QByteArray kLineEnd = QByteArrayLiteral("\r\n");

// Unbuffered: a flush is one system write of whole lines, with nothing held back in a buffer of
// the file's own that a killed process would take with it.
constexpr QIODevice::OpenMode kFileMode =
    QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered;

} // namespace

ChartFileRecorder::ChartFileRecorder(const QLocale& locale) : locale_(locale)
{
}

ChartFileRecorder::~ChartFileRecorder()
{
    finish();
}

QString ChartFileRecorder::partPath(const QString& first, int n)
{
    const QFileInfo info(first);
    const QString name = info.fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const bool suffixed = dot > 0;
    const QString stem = suffixed ? name.left(dot) : name;
    const QString suffix = suffixed ? name.mid(dot) : QString();
    const QString part = stem + QStringLiteral(" (%1)").arg(n) + suffix;
    const qsizetype slash = first.size() - name.size();
    return first.left(slash) + part;
}

bool ChartFileRecorder::start(const QString& path, const ChartFileData& run)
{
    finish();
    paths_.clear();
    auto file = std::make_unique<QFile>(path);
    if (!file->open(kFileMode)) {
        error_ = file->errorString();
        return false;
    }
    device_ = std::move(file);
    path_ = path;
    paths_ << path;
    return begin(run);
}

bool ChartFileRecorder::start(std::unique_ptr<QIODevice> device, const ChartFileData& run)
{
    finish();
    paths_.clear();
    error_.clear();
    if (!device->isOpen() && !device->open(QIODevice::WriteOnly)) {
        error_ = device->errorString();
        return false;
    }
    device_ = std::move(device);
    return begin(run);
}

bool ChartFileRecorder::begin(const ChartFileData& run)
{
    sync_.wait(); // an earlier recording's last word is no concern of this one
    error_.clear();
    written_ = 0;
    points_ = 0;
    part_ = 1;
    partHasPoints_ = false;
    mask_ = run.writtenMask();
    secondsPerPoint_ = run.secondsPerPoint;
    separator_ = ChartFileFormat::decimalSeparator(locale_);
    header_.clear();
    for (const QString& line : ChartFileHeaderLines(run)) {
        header_ += EncodeCp1251(line);
        header_ += kLineEnd;
    }
    pending_ = header_;
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
    return appendDataLine(ChartFileDataLine(point, secondsPerPoint_, mask_, input, separator_));
}

bool ChartFileRecorder::append(const ChartSample& sample)
{
    if (!active())
        return false;
    return appendDataLine(ChartFileDataLine(sample.number, sample.seconds, sample.weight, mask_,
                                            sample.inputs, separator_));
}

bool ChartFileRecorder::appendDataLine(const QString& line)
{
    // Data lines are ASCII: one byte a character, and the line end.
    const qint64 lineBytes = line.size() + kLineEnd.size();
    if (!path_.isEmpty() && partHasPoints_ && written_ + pending_.size() + lineBytes > partBytes_ &&
        !nextPart())
        return false;
    appendLine(line);
    partHasPoints_ = true;
    ++points_;
    if (pending_.size() >= kMaxPendingBytes)
        return flush();
    return true;
}

bool ChartFileRecorder::nextPart()
{
    if (!flush())
        return false;
    // The part just ended goes to the medium while the next one begins; the sync works on a
    // handle of its own, so the file may be closed under it.
    auto* file = qobject_cast<QFileDevice*>(device_.get());
    if (!sync_.wait() || (file && !sync_.start(*file)))
        return fail(sync_.errorString());
    device_->close();

    int n = part_ + 1;
    while (QFileInfo::exists(partPath(paths_.front(), n)))
        ++n;
    const QString next = partPath(paths_.front(), n);
    auto nextFile = std::make_unique<QFile>(next);
    if (!nextFile->open(kFileMode)) {
        paths_ << next; // the message names the part that could not be made
        return fail(nextFile->errorString());
    }
    device_ = std::move(nextFile);
    path_ = next;
    paths_ << next;
    part_ = n;
    written_ = 0;
    partHasPoints_ = false;
    pending_ = header_;
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

bool ChartFileRecorder::syncToMedium()
{
    if (!active())
        return false;
    auto* file = qobject_cast<QFileDevice*>(device_.get());
    if (!file || sync_.start(*file))
        return true;
    return fail(sync_.errorString());
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
    if (!flush())
        return false;
    auto* file = qobject_cast<QFileDevice*>(device_.get());
    if (file && !(sync_.wait() && sync_.start(*file) && sync_.wait()))
        return fail(sync_.errorString());
    close();
    return true;
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
