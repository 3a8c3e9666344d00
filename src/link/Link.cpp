#include "link/Link.h"

#include "link/Crc8.h"
#include "link/DeviceMap.h"
#include "link/StreamFrameAssembler.h"

#include <cstring>

namespace korvel {

namespace {

constexpr int kAttempts = 3;        // only a complete but wrong reply is tried again
constexpr int kReadsPerAttempt = 3; // a reply must be complete within three read calls
constexpr int kWriteSettleMs = 15;  // before a write request
constexpr int kReadSettleMs = 10;   // before a read request
constexpr int kProbeSettleMs = 2;  // before a probe
constexpr int kAfterRequestMs = 1;
constexpr int kBeforeEachReadMs = 1;
constexpr int kRetryPauseMs = 50;
constexpr int kStreamEmptyReads = 5; // a stream gives up after this many empty 1-byte reads

} // namespace

Link::Link(SerialPort& port, Clock& clock, const LinkSettings& settings)
    : port_(port), clock_(clock), settings_(settings)
{
}

int Link::transact(const std::uint8_t* request, int sleepBeforeMs, std::uint8_t* reply, int wanted,
                   int& extra, int maxReads)
{
    clock_.sleepMs(sleepBeforeMs);
    // Stale bytes (a late reply to an earlier request) must not be taken for this reply.
    port_.purgeRx();
    port_.write(request, 4);
    clock_.sleepMs(kAfterRequestMs);

    int received = 0;
    extra = 0;
    for (;;) {
        clock_.sleepMs(kBeforeEachReadMs);
        const auto got =
            static_cast<int>(port_.read(reply + received, static_cast<std::size_t>(wanted)));
        received += got;
        wanted -= got;
        if (wanted == 0)
            break;
        if (++extra == maxReads)
            break;
    }
    return received;
}

bool Link::DeviceWrite(std::uint8_t first, std::uint8_t reg, std::uint8_t value)
{
    std::uint8_t request[4] = {first, reg, value, 0};
    request[3] = Crc8(request, 3);

    for (int failed = 0;;) {
        int extra = 0;
        // The acknowledgement is [address, CRC of the request].
        if (transact(request, kWriteSettleMs, RxBuffer.data(), 2, extra, kReadsPerAttempt) < 2)
            return false; // silent or short: not worth repeating
        if (RxBuffer[1] == request[3])
            return true;
        ++failed;
        trace(writeTraceLines(first, request[3], RxBuffer[0], RxBuffer[1], extra, failed));
        if (failed == kAttempts)
            return false;
        clock_.sleepMs(kRetryPauseMs);
    }
}

bool Link::DeviceRead(std::uint8_t first, std::uint8_t reg, int count, std::uint8_t* buffer)
{
    // The request can only ask for 1..256 bytes, and the caller's buffer is sized for that.
    if (count < 1 || count > 256 || buffer == nullptr)
        return false;
    std::uint8_t request[4] = {first, reg, static_cast<std::uint8_t>(count - 1), 0};
    request[3] = Crc8(request, 3);
    const int replyLength = count + 3;

    for (int failed = 0;;) {
        int extra = 0;
        // The reply is [address, any, count data bytes, CRC of everything before it].
        if (transact(request, kReadSettleMs, buffer, replyLength, extra, kReadsPerAttempt) < replyLength)
            return false;
        const std::uint8_t computed = Crc8(buffer, static_cast<std::size_t>(count + 2));
        if (computed == buffer[count + 2])
            return true;
        ++failed;
        trace(readTraceLines(first, computed, buffer[0], buffer[count + 2], extra, failed));
        if (failed == kAttempts)
            return false;
        clock_.sleepMs(kRetryPauseMs);
    }
}

bool Link::ProbeRead(std::uint8_t first, std::uint8_t reg, int count, std::uint8_t* buffer)
{
    if (count < 1 || count > 256 || buffer == nullptr)
        return false;
    std::uint8_t request[4] = {first, reg, static_cast<std::uint8_t>(count - 1), 0};
    request[3] = Crc8(request, 3);
    const int replyLength = count + 3;
    int extra = 0;
    // The silence of the previous probe's time-out already parts the frames.
    if (transact(request, kProbeSettleMs, buffer, replyLength, extra, 1) < replyLength)
        return false;
    return buffer[0] == first && Crc8(buffer, static_cast<std::size_t>(count + 2)) == buffer[count + 2];
}

bool Link::validStreamFrame(int n, const std::uint8_t* buffer) const
{
    return isValidStreamFrame(settings_.AdrPribor, n, buffer);
}

bool Link::ReceiveStreamFrame(int n, std::uint8_t* buffer)
{
    if (n < 1 || n > 256 || buffer == nullptr)
        return false;
    const auto length = static_cast<std::size_t>(n + 3);

    std::size_t got = port_.read(buffer, length);
    if (got == 0)
        return false;
    int emptyReads = 0;
    while (got < length) {
        if (port_.read(buffer + got, 1) == 1)
            ++got;
        else if (++emptyReads == kStreamEmptyReads)
            return false;
    }
    if (validStreamFrame(n, buffer))
        return true;

    // Joined mid-frame or hit by noise: slide the window one byte at a time. A real stream
    // is back in step within one frame; bytes that keep coming without ever forming one (a
    // stream for another address, another frame size, a babbling line) would otherwise keep
    // the caller here for as long as they come, so the slide has an end too.
    emptyReads = 0;
    for (std::size_t slid = 0;;) {
        std::uint8_t next = 0;
        if (port_.read(&next, 1) != 1) {
            if (++emptyReads == kStreamEmptyReads)
                return false;
            continue;
        }
        std::memmove(buffer, buffer + 1, length - 1);
        buffer[length - 1] = next;
        if (validStreamFrame(n, buffer))
            return true;
        if (++slid == kStreamSlideLimit)
            return false;
    }
}

void Link::trace(const TraceLines& lines)
{
    if (settings_.ShowServiceInfo && onTrace)
        onTrace(lines);
}

} // namespace korvel
