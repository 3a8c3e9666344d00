#include "link/StreamFrameAssembler.h"

#include "link/Crc8.h"
#include "link/DeviceMap.h"

#include <algorithm>
#include <cstring>

namespace korvel {

bool isValidStreamFrame(int address, int n, const std::uint8_t* frame)
{
    const auto first = static_cast<std::uint8_t>(address | ACCESS_REG_READ);
    return frame[0] == first && frame[1] == static_cast<std::uint8_t>(n - 1) &&
           Crc8(frame, static_cast<std::size_t>(n + 2)) == frame[n + 2];
}

StreamFrameAssembler::StreamFrameAssembler(int n)
    : n_(std::clamp(n, 1, 256)), window_(static_cast<std::size_t>(n_ + 3))
{
}

bool StreamFrameAssembler::push(int address, std::uint8_t byte)
{
    const std::size_t length = window_.size();
    if (filled_ < length) {
        window_[filled_++] = byte;
        return filled_ == length && isValidStreamFrame(address, n_, window_.data());
    }
    // The full window was no frame: drop its oldest byte and judge again with the new one.
    std::memmove(window_.data(), window_.data() + 1, length - 1);
    window_[length - 1] = byte;
    ++skipped_;
    return isValidStreamFrame(address, n_, window_.data());
}

} // namespace korvel
