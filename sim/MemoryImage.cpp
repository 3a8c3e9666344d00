#include "sim/MemoryImage.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

namespace korvel::sim {

namespace {

constexpr int ARCHIVE_RECORD = 16;
constexpr int ARCHIVE_PAGES = 6; // pages 8..13 hold records, the rest of FM is erased

} // namespace

MemoryImage::MemoryImage()
{
    bytes_.fill(0xFF); // erased memory

    // Page 0: parameters.
    set(0, 0, 1);                          // address the indicator was set up with
    set(0, 1, 4);                          // baud rate code
    set(0, CAPACITY_OFFSET, 15000 & 0xFF); // 150.00 kg
    set(0, CAPACITY_OFFSET + 1, 15000 >> 8);
    set(0, MEM_DECIMALS, 2);
    set(0, 7, 0);
    set(0, FILTER1_OFFSET, 0);
    set(0, FILTER2_OFFSET, 2);
    set(0, STAB_BAND_OFFSET, 4);
    set(0, 11, 0);
    set(0, DOSE_OFFSET, 5000 & 0xFF); // 50.00 kg
    set(0, DOSE_OFFSET + 1, 5000 >> 8);
    set(0, MEM_DISCRETENESS, 2);
    for (int i = 32; i < 48; ++i) // calibration coefficients
        set(0, i, static_cast<std::uint8_t>((i * 37 + 11) & 0xFF));

    // Page 1: output configuration and set points. Output i follows the event coded in
    // MEM_OUTPUT_CONFIG + i (see DigitalIo).
    const std::uint8_t outputs[MEM_OUTPUT_CONFIG_COUNT] = {1, 2, 3, 0, 0, 0, 0, 4};
    for (int i = 0; i < MEM_OUTPUT_CONFIG_COUNT; ++i)
        set(MEM_OUTPUT_CONFIG_PAGE, MEM_OUTPUT_CONFIG + i, outputs[i]);
    for (int i = 0; i < 16; ++i) // set points
        set(1, 32 + i, static_cast<std::uint8_t>(i * 3));
    // Clients read MEM_DECIMALS and MEM_DISCRETENESS from whichever page is selected, and
    // the output panel leaves page 1 selected: keep the same values there.
    set(1, MEM_DECIMALS, at(0, MEM_DECIMALS));
    set(1, MEM_DISCRETENESS, at(0, MEM_DISCRETENESS));

    // Pages 2..7: further parameter tables; the rest stays erased.
    for (int p = 2; p < MEM_EEPROM_PAGES; ++p)
        for (int i = 32; i < 96; ++i)
            set(p, i, static_cast<std::uint8_t>((p * 29 + i * 7) & 0xFF));

    // FM: an archive of weighings, one 16-byte record each: number, day, month, year,
    // hour, minute, net weight (32-bit), tare (32-bit), flags, check byte.
    int number = 1;
    for (int p = MEM_FM_FIRST_PAGE; p < MEM_FM_FIRST_PAGE + ARCHIVE_PAGES; ++p) {
        for (int r = 0; r < MEM_PAGE_SIZE / ARCHIVE_RECORD; ++r, ++number) {
            const int base = r * ARCHIVE_RECORD;
            const int net = 1000 + (number * 7919) % 12000;
            const int tare = (number % 3) * 250;
            std::uint8_t rec[ARCHIVE_RECORD] = {static_cast<std::uint8_t>(number & 0xFF),
                                                static_cast<std::uint8_t>(number >> 8),
                                                static_cast<std::uint8_t>(1 + number % 28),
                                                static_cast<std::uint8_t>(1 + number % 12),
                                                24,
                                                static_cast<std::uint8_t>(number % 24),
                                                static_cast<std::uint8_t>(number % 60),
                                                static_cast<std::uint8_t>(net & 0xFF),
                                                static_cast<std::uint8_t>(net >> 8),
                                                0,
                                                0,
                                                static_cast<std::uint8_t>(tare & 0xFF),
                                                static_cast<std::uint8_t>(tare >> 8),
                                                0,
                                                static_cast<std::uint8_t>(tare ? 1 : 0),
                                                0};
            std::uint8_t sum = 0;
            for (int i = 0; i < ARCHIVE_RECORD - 1; ++i)
                sum = static_cast<std::uint8_t>(sum + rec[i]);
            rec[ARCHIVE_RECORD - 1] = static_cast<std::uint8_t>(~sum);
            for (int i = 0; i < ARCHIVE_RECORD; ++i)
                set(p, base + i, rec[i]);
        }
    }
}

std::uint8_t MemoryImage::at(int page, int offset) const
{
    return bytes_[static_cast<std::size_t>(((page * MEM_PAGE_SIZE) + offset) % SIZE)];
}

void MemoryImage::set(int page, int offset, std::uint8_t value)
{
    bytes_[static_cast<std::size_t>(((page * MEM_PAGE_SIZE) + offset) % SIZE)] = value;
}

const std::uint8_t* MemoryImage::page(int page) const
{
    return bytes_.data() + (page % MEM_PAGE_COUNT) * MEM_PAGE_SIZE;
}

int MemoryImage::word(int page, int offset) const
{
    return at(page, offset) | (at(page, offset + 1) << 8);
}

bool MemoryImage::load(const std::string& path, std::string* error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        if (error)
            *error = "cannot open " + path;
        return false;
    }
    std::vector<char> data{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (data.size() != bytes_.size()) {
        if (error)
            *error = path + ": " + std::to_string(data.size()) + " bytes, expected " +
                     std::to_string(bytes_.size());
        return false;
    }
    for (std::size_t i = 0; i < data.size(); ++i)
        bytes_[i] = static_cast<std::uint8_t>(data[i]);
    return true;
}

bool MemoryImage::save(const std::string& path, std::string* error) const
{
    // Written beside the target and renamed, so a crash never leaves half an image.
    const std::string tmp = path + ".tmp";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes_.data()),
                  static_cast<std::streamsize>(bytes_.size()));
        if (!out) {
            if (error)
                *error = "cannot write " + tmp;
            return false;
        }
    }
    if (std::rename(tmp.c_str(), path.c_str()) != 0) {
        if (error)
            *error = "cannot replace " + path;
        std::remove(tmp.c_str());
        return false;
    }
    return true;
}

} // namespace korvel::sim
