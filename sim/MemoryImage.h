#pragma once
#include <array>
#include <cstdint>
#include <string>

#include "link/DeviceMap.h"

namespace korvel::sim {

// The indicator's 128 memory pages: EEPROM (pages 0..7) holds the parameters, FM
// (pages 8..127) an archive of weighings. Page 0 is the parameter page the weighing
// process works from.
class MemoryImage
{
public:
    static constexpr int SIZE = MEM_PAGE_SIZE * MEM_PAGE_COUNT; // 32768

    // Where the parameters live in page 0.
    static constexpr int CAPACITY_OFFSET = 2; // 16-bit, LSB first, in display steps of 1
    static constexpr int FILTER1_OFFSET = 8;
    static constexpr int FILTER2_OFFSET = 9;
    static constexpr int STAB_BAND_OFFSET = 10;
    static constexpr int DOSE_OFFSET = 12; // doser: dose target, 16-bit, display units

    MemoryImage(); // factory content

    std::uint8_t at(int page, int offset) const;
    void set(int page, int offset, std::uint8_t value);
    const std::uint8_t* page(int page) const;

    int word(int page, int offset) const;

    // Raw image file: 32768 bytes, page 0 first. A file of another size is refused.
    bool load(const std::string& path, std::string* error);
    bool save(const std::string& path, std::string* error) const;

private:
    std::array<std::uint8_t, SIZE> bytes_{};
};

} // namespace korvel::sim
