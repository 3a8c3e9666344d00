#include "chart/core/MediumSync.h"

#include <QFileDevice>
#include <QThread>

#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
#else
#include <cerrno>
#include <unistd.h>
#endif

namespace korvel {

namespace {

#ifdef Q_OS_WIN
using Handle = HANDLE;

bool duplicate(int fd, Handle& copy, int& error)
{
    const auto h = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
    if (h == INVALID_HANDLE_VALUE || !DuplicateHandle(GetCurrentProcess(), h, GetCurrentProcess(),
                                                      &copy, 0, FALSE, DUPLICATE_SAME_ACCESS)) {
        error = int(GetLastError());
        return false;
    }
    return true;
}

int syncAndClose(Handle h)
{
    int error = FlushFileBuffers(h) ? 0 : int(GetLastError());
    // A device that keeps no cache (a console, a pipe) has nothing to put anywhere.
    if (error == ERROR_INVALID_FUNCTION || error == ERROR_INVALID_HANDLE)
        error = 0;
    CloseHandle(h);
    return error;
}
#else
using Handle = int;

bool duplicate(int fd, Handle& copy, int& error)
{
    copy = ::dup(fd);
    error = copy < 0 ? errno : 0;
    return copy >= 0;
}

int syncAndClose(Handle fd)
{
    int r;
    do {
        r = ::fdatasync(fd);
    } while (r != 0 && errno == EINTR);
    // A special file that keeps no cache (a pipe, a character device) has nothing to sync.
    const int error = r == 0 || errno == EINVAL || errno == EROFS ? 0 : errno;
    ::close(fd);
    return error;
}
#endif

} // namespace

MediumSync::MediumSync() = default;

MediumSync::~MediumSync()
{
    wait();
}

bool MediumSync::collect()
{
    if (!thread_)
        return true;
    thread_.reset();
    const int error = result_->load();
    if (error == 0)
        return true;
    error_ = qt_error_string(error);
    return false;
}

bool MediumSync::wait()
{
    if (thread_)
        thread_->wait();
    return collect();
}

bool MediumSync::start(QFileDevice& file)
{
    if (thread_ && !thread_->isFinished())
        return true;
    if (!collect())
        return false;
    Handle copy{};
    int error = 0;
    if (file.handle() < 0 || !duplicate(file.handle(), copy, error)) {
        error_ = error != 0 ? qt_error_string(error) : file.errorString();
        return false;
    }
    result_ = std::make_shared<std::atomic<int>>(0);
    thread_.reset(QThread::create([copy, result = result_] { result->store(syncAndClose(copy)); }));
    thread_->start();
    return true;
}

} // namespace korvel
