#pragma once
// A client written from the frame tables alone: opens the pty slave raw and reads with a
// deadline. Just enough to check the simulator's bytes.
#include <chrono>
#include <cstdint>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

#include "link/Crc8.h"

namespace korvel::sim::test {

inline std::vector<std::uint8_t> makeRequest(std::uint8_t first, std::uint8_t index,
                                             std::uint8_t value)
{
    std::vector<std::uint8_t> r = {first, index, value};
    r.push_back(Crc8(r.data(), r.size()));
    return r;
}

class RawClient
{
public:
    explicit RawClient(const std::string& path)
    {
        fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (fd_ >= 0) {
            termios tio{};
            tcgetattr(fd_, &tio);
            cfmakeraw(&tio);
            tcsetattr(fd_, TCSANOW, &tio);
        }
    }
    ~RawClient()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    bool ok() const { return fd_ >= 0; }
    int fd() const { return fd_; }

    void send(const std::vector<std::uint8_t>& bytes)
    {
        [[maybe_unused]] auto n = ::write(fd_, bytes.data(), bytes.size());
    }
    void purge() { tcflush(fd_, TCIFLUSH); }

    // Reads until `count` bytes have come or `timeoutMs` has passed.
    std::vector<std::uint8_t> read(std::size_t count, int timeoutMs)
    {
        std::vector<std::uint8_t> out;
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (out.size() < count) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0)
                break;
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(left.count())) <= 0)
                continue;
            std::uint8_t buf[512];
            const std::size_t want = std::min(sizeof buf, count - out.size());
            const ssize_t n = ::read(fd_, buf, want);
            if (n > 0)
                out.insert(out.end(), buf, buf + n);
        }
        return out;
    }

    int pending() const
    {
        int n = 0;
        ioctl(fd_, FIONREAD, &n);
        return n;
    }

    // One transaction: request out, `replySize` bytes back (or fewer after the time-out).
    std::vector<std::uint8_t> transact(std::uint8_t first, std::uint8_t index, std::uint8_t value,
                                       std::size_t replySize, int timeoutMs = 1000)
    {
        purge();
        send(makeRequest(first, index, value));
        return read(replySize, timeoutMs);
    }

private:
    int fd_ = -1;
};

} // namespace korvel::sim::test
