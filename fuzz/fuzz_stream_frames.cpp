// The stream-frame receivers: the non-blocking assembler the chart runs on, fed the bytes in
// any pieces, and the blocking ReceiveStreamFrame, fed the same bytes through a port, both hand
// out exactly the frames a plain scan of the whole byte string finds: a window that holds a
// valid frame is one, anything else slides on by one byte (the blocking receive only until it
// has slid over its limit without a frame).
//
// Input: [frame data bytes - 1][address][piece seed][the bytes of the line]
#include "link/Link.h"
#include "link/StreamFrameAssembler.h"

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

using namespace korvel;
using Frames = std::vector<std::vector<std::uint8_t>>;

void check(bool ok)
{
    if (!ok)
        std::abort();
}

// What is on the line, handed out as it comes (no read ever waits or times out early).
class LinePort final : public SerialPort
{
public:
    LinePort(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    PortOpenResult open(const std::string&, int, int) override { return {PortOpenStatus::Ok, 0}; }
    void close() override {}
    PortState state() const override { return PortState::Open; }
    bool setReadTimeout(int) override { return true; }
    std::size_t read(std::uint8_t* buffer, std::size_t count) override
    {
        const std::size_t n = std::min(count, size_ - pos_);
        std::memcpy(buffer, data_ + pos_, n);
        pos_ += n;
        return n;
    }
    std::size_t readAvailable(std::uint8_t* buffer, std::size_t count) override
    {
        return read(buffer, count);
    }
    std::size_t write(const std::uint8_t*, std::size_t count) override { return count; }
    void purgeRx() override {}

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

class NoSleep final : public Clock
{
public:
    void sleepMs(int) override {}
    std::chrono::steady_clock::time_point now() const override { return {}; }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 3)
        return 0;
    // Mostly the chart's four data bytes; now and then any size the link allows.
    const int n = data[0] < 200 ? 4 : 1 + data[0] % 8;
    const int address = data[1] % 64;
    std::uint32_t seed = data[2];
    const std::uint8_t* line = data + 3;
    const std::size_t length = size - 3;
    const std::size_t frameLength = static_cast<std::size_t>(n + 3);

    Frames expected;
    for (std::size_t i = 0; i + frameLength <= length;) {
        if (isValidStreamFrame(address, n, line + i)) {
            expected.emplace_back(line + i, line + i + frameLength);
            i += frameLength;
        } else {
            ++i;
        }
    }
    // The blocking receive gives up once it has slid over its limit without a frame, so it
    // hands out the frames of that scan up to the first such stretch.
    Frames expectedReceived;
    for (std::size_t i = 0, slid = 0; i + frameLength <= length;) {
        if (isValidStreamFrame(address, n, line + i)) {
            expectedReceived.emplace_back(line + i, line + i + frameLength);
            i += frameLength;
            slid = 0;
        } else if (slid == Link::kStreamSlideLimit) {
            break;
        } else {
            ++i;
            ++slid;
        }
    }

    // The assembler, in pieces of 0 to 15 bytes.
    StreamFrameAssembler assembler(n);
    Frames assembled;
    for (std::size_t pos = 0; pos < length;) {
        seed = seed * 1103515245u + 12345u;
        const std::size_t piece = std::min<std::size_t>((seed >> 16) % 16, length - pos);
        std::vector<std::uint8_t> copy(line + pos, line + pos + piece); // exactly that long
        assembler.feed(address, copy.data(), copy.size(), [&](const std::uint8_t* frame) {
            assembled.emplace_back(frame, frame + frameLength);
        });
        pos += piece;
    }
    check(assembled == expected);
    check(assembler.pending() <= frameLength);

    // The blocking receive, call after call until the line is exhausted.
    LinePort port(line, length);
    NoSleep clock;
    LinkSettings settings;
    settings.AdrPribor = address;
    Link link(port, clock, settings);
    Frames received;
    std::vector<std::uint8_t> buffer(frameLength);
    while (link.ReceiveStreamFrame(n, buffer.data()))
        received.push_back(buffer);
    check(received == expectedReceived);
    return 0;
}
