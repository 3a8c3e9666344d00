#pragma once
#include <QString>

#include <atomic>
#include <memory>

class QFileDevice;
class QThread;

namespace korvel {

// Hands what a file's writes left in the system's cache to the medium itself (fdatasync on
// POSIX, FlushFileBuffers on Windows), on a thread of its own. A write alone survives a killed
// program but not a power loss: the system may hold the data for half a minute before it goes
// to the disk. The sync of a slow medium (a USB stick, a network share) can take a good part of
// a second, which the GUI thread must not wait for while it takes the stream in; the thread
// works on a duplicate of the file's handle, so the file may be closed or written on meanwhile
// (the next sync takes what came later).
class MediumSync
{
public:
    MediumSync();
    ~MediumSync(); // waits for a sync still running
    MediumSync(const MediumSync&) = delete;
    MediumSync& operator=(const MediumSync&) = delete;

    // Starts a sync of the open `file` unless one is still running (the next call then takes
    // what this one would have). False when the previous sync failed or the handle could not
    // be duplicated; errorString() says why (the system's text).
    bool start(QFileDevice& file);
    // Waits for a sync still running; false when it failed.
    bool wait();
    QString errorString() const { return error_; }

private:
    bool collect(); // the result of a finished sync

    std::unique_ptr<QThread> thread_;
    std::shared_ptr<std::atomic<int>> result_; // 0, or the system's error code
    QString error_;
};

} // namespace korvel
