#pragma once
#include "chart/core/ChartFileWriter.h"

#include <QByteArray>
#include <QLocale>
#include <QString>
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
// and a file committed only at its end would lose everything exactly then.
class ChartFileRecorder
{
public:
    explicit ChartFileRecorder(const QLocale& locale = QLocale());
    ~ChartFileRecorder(); // finishes a recording still open
    ChartFileRecorder(const ChartFileRecorder&) = delete;
    ChartFileRecorder& operator=(const ChartFileRecorder&) = delete;

    // Creates the file at `path` (emptying one that is there) and begins it with `run`: its
    // header and the points it holds. False when it cannot be opened; errorString() says why.
    bool start(const QString& path, const ChartFileData& run);
    // The same on the caller's device, opened for writing here unless it is open already.
    bool start(std::unique_ptr<QIODevice> device, const ChartFileData& run);

    // The run's next point and its input byte (not written when the file states no mask).
    // False once the recording has failed (it flushes by itself when many lines wait).
    bool append(const ChartPoint& point, std::uint8_t input);
    // Hands the waiting lines to the device. False when it did not take them all: the
    // recording is then closed keeping every whole line that went out, and errorString() says
    // why (the system's text). A file that is no longer where it was created (its folder
    // removed, its medium gone) fails too: nothing written there could ever be found.
    bool flush();
    // Flushes and closes; false when the last lines could not be written. Nothing to do when no
    // recording is open.
    bool finish();

    bool active() const { return device_ != nullptr; }
    QString errorString() const { return error_; }
    // Points of this recording, written or waiting (the header's included).
    long long points() const { return points_; }
    // Bytes waiting for the next flush.
    qsizetype pendingBytes() const { return pending_.size(); }

    // Lines wait in memory at most this much before append() flushes them itself.
    static constexpr qsizetype kMaxPendingBytes = 256 * 1024;

private:
    void appendLine(const QString& line);
    bool fail(const QString& why);
    void close();

    QLocale locale_;
    std::unique_ptr<QIODevice> device_;
    QString path_; // the file's name while it is a file of ours, for the check that it is there
    QByteArray pending_;
    qint64 written_ = 0; // bytes the device took, all whole lines
    std::uint8_t mask_ = 0;
    double secondsPerPoint_ = 0.0;
    QChar separator_;
    long long points_ = 0;
    QString error_;
};

} // namespace korvel
