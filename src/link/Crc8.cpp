#include "link/Crc8.h"

namespace korvel {

std::uint8_t Crc8(const std::uint8_t* data, std::size_t length)
{
    std::uint8_t crc = 0x0F;
    for (std::size_t i = 0; i < length; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? static_cast<std::uint8_t>((crc >> 1) ^ 0x8C)
                            : static_cast<std::uint8_t>(crc >> 1);
    }
    return crc;
}

} // namespace korvel
