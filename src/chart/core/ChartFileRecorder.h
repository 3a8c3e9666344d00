#pragma once
#include "chart/core/ChartFileWriter.h"
#include "chart/core/ChartSample.h"
#include "chart/core/MediumSync.h"

#include <QByteArray>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>

class QIODevice;

namespace korvel {

// A chart file written while its run goes on, for recordings longer than the chart's window:
// the run's header and the points it already holds, then every point as it comes, in the very
// lines a save of the whole run would write (Windows-1251, CR LF). Lines wait in memory until
// flush(), which the owner calls at least once a second and which hands them to the system in
// whole lines; a process killed at any moment therefore leaves a file that reads back whole up
// to its last flush, and memory holds at most a second of lines whatever the run's length.
//
// The file is written in place, not through the atomic replace every other file takes: a
// recording exists to outlive a crash, a pulled cable or a flat battery in the middle of a run,
// and a file committed only at its end would lose everything exactly then. For the same reason
// syncToMedium() asks the system to put the flushed lines on the medium itself: a write reaches
// only the system's cache, which a power loss takes with it.
//
// A recording written to a file is cut into parts of at most kPartBytes, well under what the
// chart loads (ChartFileFormat::kMaxFileBytes), so a recording of days can still be shown: each
// part is a whole chart file with the run's header, named after the first with " (2)",
// " (3)", ... before its extension, and its lines go on where the previous part stopped (point
// numbers and times included), so the parts' data lines one after another are the whole run.
class ChartFileRecorder
{
public:
    explicit ChartFileRecorder(const QLocale& locale = QLocale());
    ~ChartFileRecorder(); // finishes a recording still open
    ChartFileRecorder(const ChartFileRecorder&) = delete;
    ChartFileRecorder& operator=(const ChartFileRecorder&) = delete;

    // Creates the file at `path` (emptying one that is there) and begins it with `run`: its
    // header and the points it holds. False when it cannot be opened; errorString() says why.
    // A part after the first never replaces a file that is there: it takes the next free number.
    bool start(const QString& path, const ChartFileData& run);
    // The same on the caller's device, opened for writing here unless it is open already; such a
    // recording is never cut into parts.
    bool start(std::unique_ptr<QIODevice> device, const ChartFileData& run);

    // The run's next point and its input byte (not written when the file states no mask).
    // False once the recording has failed (it flushes by itself when many lines wait).
    bool append(const ChartPoint& point, std::uint8_t input);
    // A run's sample as it comes: its number, its time and its weight as decoded, its input byte.
    bool append(const ChartSample& sample);
    // Hands the waiting lines to the device. False when it did not take them all: the
    // recording is then closed keeping every whole line that went out, and errorString() says
    // why (the system's text). A file that is no longer where it was created (its folder
    // removed, its medium gone) fails too: nothing written there could ever be found.
    bool flush();
    // Starts putting what was flushed on the medium, without waiting for it (MediumSync). False
    // when an earlier sync failed: the recording is then closed as by a failed flush.
    bool syncToMedium();
    // Flushes, puts the file on the medium (waiting for it: a recording's end is where a lost
    // battery must lose nothing) and closes; false when the last lines could not be written.
    // Nothing to do when no recording is open.
    bool finish();

    bool active() const { return device_ != nullptr; }
    QString errorString() const { return error_; }
    // Points of this recording, written or waiting (the header's included).
    long long points() const { return points_; }
    // Bytes waiting for the next flush.
    qsizetype pendingBytes() const { return pending_.size(); }
    // The file being written now, and every part of this recording so far, the first first
    // (kept after the recording ends, until the next one starts).
    QString path() const { return paths_.isEmpty() ? QString() : paths_.back(); }
    const QStringList& paths() const { return paths_; }

    // Lines wait in memory at most this much before append() flushes them itself.
    static constexpr qsizetype kMaxPendingBytes = 256 * 1024;
    // A part is closed before it would grow beyond this: at the full rate (some 20 MB an hour)
    // a part every five hours, and well within what the chart loads.
    static constexpr qint64 kPartBytes = 100LL * 1024 * 1024;
    // The size at which the following recordings are cut (kPartBytes unless a test wants small
    // parts). A part holds one point at least, however small this is.
    void setPartBytes(qint64 bytes) { partBytes_ = bytes; }

    // The name of part `n` (from 2) of a recording whose first part is `first`:
    // "run.twi" gives "run (2).twi", a name without an extension "run (2)".
    static QString partPath(const QString& first, int n);

private:
    bool begin(const ChartFileData& run);
    void appendLine(const QString& line);
    bool appendDataLine(const QString& line);
    bool nextPart();
    bool fail(const QString& why);
    void close();

    QLocale locale_;
    std::unique_ptr<QIODevice> device_;
    QString path_; // the file's name while it is a file of ours, for the check that it is there
    QStringList paths_;
    MediumSync sync_;
    QByteArray header_; // the run's header lines, which begin every part
    QByteArray pending_;
    qint64 written_ = 0; // bytes the device took, all whole lines
    qint64 partBytes_ = kPartBytes;
    int part_ = 1;
    bool partHasPoints_ = false;
    std::uint8_t mask_ = 0;
    double secondsPerPoint_ = 0.0;
    QChar separator_;
    long long points_ = 0;
    QString error_;
};

} // namespace korvel
