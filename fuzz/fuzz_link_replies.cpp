// Reply handling: whatever the line delivers, in whatever pieces, DeviceWrite, DeviceRead
// and ReceiveStreamFrame stay inside their buffers, come to an end, and report success only
// for a reply that passes its check.
//
// Input: [kind][count or frame size - 1][address][then pieces: length byte, that many bytes]
// Each read call of the link gets at most the rest of the current piece; a piece of length 0
// is a read that times out; a purge throws the rest of the current piece away, as bytes that
// came before the request.
#include "link/Crc8.h"
#include "link/Link.h"
#include "link/LinkTrace.h"

#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

using namespace korvel;

class PiecesPort final : public SerialPort
{
public:
    PiecesPort(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    PortOpenResult open(const std::string&, int, int) override { return {PortOpenStatus::Ok, 0}; }
    void close() override {}
    PortState state() const override { return PortState::Open; }
    bool setReadTimeout(int) override { return true; }
    std::size_t read(std::uint8_t* buffer, std::size_t count) override
    {
        if (left_ == 0) {
            if (pos_ >= size_)
                return 0;
            left_ = data_[pos_++];
            if (left_ == 0)
                return 0; // a read that times out
        }
        std::size_t n = std::min({count, left_, size_ - pos_});
        std::memcpy(buffer, data_ + pos_, n);
        pos_ += n;
        left_ = n == 0 ? 0 : left_ - n;
        return n;
    }
    std::size_t readAvailable(std::uint8_t* buffer, std::size_t count) override
    {
        return read(buffer, count);
    }
    std::size_t write(const std::uint8_t*, std::size_t count) override { return count; }
    void purgeRx() override
    {
        pos_ = std::min(size_, pos_ + left_);
        left_ = 0;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
    std::size_t left_ = 0;
};

class NoSleep final : public Clock
{
public:
    void sleepMs(int) override {}
    std::chrono::steady_clock::time_point now() const override { return {}; }
};

void check(bool ok)
{
    if (!ok)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 3)
        return 0;
    const int kind = data[0] % 3;
    const int count = data[1] + 1; // 1..256
    LinkSettings settings;
    settings.AdrPribor = data[2] % 64;
    settings.ShowServiceInfo = (data[0] & 0x80) != 0;
    PiecesPort port(data + 3, size - 3);
    NoSleep clock;
    Link link(port, clock, settings);
    int traces = 0;
    link.onTrace = [&traces](const TraceLines& lines) {
        ++traces;
        check(!lines.panel1.empty() && !lines.panel3.empty());
    };

    const auto first = static_cast<std::uint8_t>(data[2]);
    switch (kind) {
    case 0: {
        const std::uint8_t request[3] = {first, data[1], 0x11};
        if (link.DeviceWrite(request[0], request[1], request[2]))
            check(link.RxBuffer[1] == Crc8(request, 3));
        break;
    }
    case 1: {
        // Exactly the size the caller promises, so one byte too far is caught.
        auto buffer = std::make_unique<std::uint8_t[]>(static_cast<std::size_t>(count + 3));
        if (link.DeviceRead(first, 0x2A, count, buffer.get()))
            check(Crc8(buffer.get(), static_cast<std::size_t>(count + 2)) == buffer[count + 2]);
        break;
    }
    default: {
        auto buffer = std::make_unique<std::uint8_t[]>(static_cast<std::size_t>(count + 3));
        if (link.ReceiveStreamFrame(count, buffer.get())) {
            check(buffer[0] == static_cast<std::uint8_t>(settings.AdrPribor | 0x80));
            check(buffer[1] == static_cast<std::uint8_t>(count - 1));
            check(Crc8(buffer.get(), static_cast<std::size_t>(count + 2)) == buffer[count + 2]);
        }
        break;
    }
    }
    check(traces <= 3);
    return 0;
}
