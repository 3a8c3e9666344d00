#pragma once
// A scripted serial port and clock on virtual time that write every call into one log, so
// tests can pin the exact bytes, read calls, sleeps and purges of a transaction.
#include "link/Clock.h"
#include "link/SerialPort.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace korvel::test {

using Bytes = std::vector<std::uint8_t>;
using Pieces = std::vector<Bytes>;

std::string hexBytes(const std::uint8_t* data, std::size_t count);
inline std::string hexBytes(const Bytes& bytes)
{
    return hexBytes(bytes.data(), bytes.size());
}

class FakeClock final : public Clock
{
public:
    explicit FakeClock(std::vector<std::string>& log) : log_(log) {}
    void sleepMs(int ms) override;
    std::chrono::steady_clock::time_point now() const override { return now_; }
    int sleptMs() const { return slept_; }

private:
    std::vector<std::string>& log_;
    std::chrono::steady_clock::time_point now_{};
    int slept_ = 0;
};

// Bytes "arrive" in pieces: a read call takes at most what is left of the front piece, so a
// reply scripted as three pieces needs three read calls, as if each came after the time-out
// of the read before. An empty piece is one read that times out with nothing. A purge drops
// every piece that has arrived.
class FakeSerialPort final : public SerialPort
{
public:
    explicit FakeSerialPort(std::vector<std::string>& log) : log_(log) {}

    PortOpenResult open(const std::string& portName, int baudRate, int readTimeoutMs) override;
    void close() override;
    PortState state() const override { return state_; }
    bool setReadTimeout(int ms) override;
    std::size_t read(std::uint8_t* buffer, std::size_t count) override;
    // Takes what is left of the front piece, like one read that does not wait.
    std::size_t readAvailable(std::uint8_t* buffer, std::size_t count) override;
    std::size_t write(const std::uint8_t* data, std::size_t count) override;
    void purgeRx() override;

    // The reply to the next request written (one entry per request, in order).
    void scriptReply(Pieces pieces) { scripted_.push_back(std::move(pieces)); }
    // Bytes that arrive without a request (a running stream).
    void arrive(Pieces pieces);
    // Answers requests that have no scripted reply.
    std::function<Pieces(const Bytes& request)> responder;

    PortOpenResult openResult{PortOpenStatus::Ok, 0};
    int openCalls = 0;
    std::vector<Bytes> writes;

private:
    std::size_t takeFront(std::uint8_t* buffer, std::size_t count);

    std::vector<std::string>& log_;
    PortState state_ = PortState::NeverOpened;
    std::deque<Bytes> arrived_;
    std::deque<Pieces> scripted_;
};

} // namespace korvel::test
