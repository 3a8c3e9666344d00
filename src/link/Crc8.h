#pragma once
#include <cstddef>
#include <cstdint>

namespace korvel {

// CRC8 of every frame: the 1-Wire polynomial (0x31, reflected 0x8C), bytes LSB first,
// but starting from 0x0F and without final XOR. "123456789" gives 0xAB.
std::uint8_t Crc8(const std::uint8_t* data, std::size_t length);

} // namespace korvel
