#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace korvel {

// True when the n + 3 bytes at `frame` are one stream frame of the indicator at `address`:
// [address | 0x80, n - 1, n data bytes, CRC8 of everything before it].
bool isValidStreamFrame(int address, int n, const std::uint8_t* frame);

// Cuts stream frames out of bytes as they arrive, without ever waiting for more. It keeps an
// (n + 3)-byte window: once the window is full it is judged; a valid frame is handed out and the
// window starts afresh, an invalid one slides on by one byte with the next byte that comes, as
// the blocking receive does after joining a stream mid-frame. Nothing is lost between two feeds,
// so the caller can hand over whatever the port had, however the bytes were split.
class StreamFrameAssembler
{
public:
    // n: data bytes per frame (1..256). The address is asked for each judgement, so a frame is
    // judged against the address in force when it completes.
    explicit StreamFrameAssembler(int n);

    // Feeds `count` bytes; calls onFrame(frame) with the n + 3 bytes of every valid frame
    // completed by them, in order. Returns the number of frames handed out.
    template <typename OnFrame>
    int feed(int address, const std::uint8_t* bytes, std::size_t count, OnFrame&& onFrame)
    {
        int frames = 0;
        for (std::size_t i = 0; i < count; ++i) {
            if (push(address, bytes[i])) {
                onFrame(static_cast<const std::uint8_t*>(window_.data()));
                ++frames;
                filled_ = 0;
            }
        }
        return frames;
    }

    // Forgets a partly received frame (the receive queue was purged, a new stream begins).
    void reset() { filled_ = 0; }

    int dataCount() const { return n_; }
    std::size_t frameLength() const { return window_.size(); }
    // Bytes of an incomplete frame held in the window.
    std::size_t pending() const { return filled_; }
    // Bytes dropped while sliding over something that was no frame.
    std::size_t skippedBytes() const { return skipped_; }

private:
    // Adds one byte; true when the window now holds a valid frame.
    bool push(int address, std::uint8_t byte);

    int n_;
    std::vector<std::uint8_t> window_;
    std::size_t filled_ = 0;
    std::size_t skipped_ = 0;
};

} // namespace korvel
