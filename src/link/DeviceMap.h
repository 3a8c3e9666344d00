#pragma once
// Everything the program reads from or writes to the indicator, by name.
// The first byte of a request: bits 0..5 address, bit 6 memory access, bit 7 read.

#include <cstdint>

namespace korvel {

// Access kinds: OR the indicator address (1..63) into these.
inline constexpr std::uint8_t ACCESS_REG_WRITE = 0x00;
inline constexpr std::uint8_t ACCESS_REG_READ = 0x80;
inline constexpr std::uint8_t ACCESS_MEM_WRITE = 0x40;
inline constexpr std::uint8_t ACCESS_MEM_READ = 0xC0;
inline constexpr std::uint8_t ACCESS_ADDRESS_MASK = 0x3F;

// Registers.
inline constexpr std::uint8_t REG_DISPLAY = 42;         // read 16: status byte + 15 segment codes
inline constexpr std::uint8_t REG_DIO = 155;            // read 2: inputs (bits 0..4), outputs (bits 0..7)
inline constexpr std::uint8_t REG_IDENT = 236;          // read 4: serial 3-digit group, model, serial 2-digit groups
inline constexpr std::uint8_t REG_FILTER1 = 240;        // read 3 (filter 1, filter 2, stability band); write 1
inline constexpr std::uint8_t REG_FILTER2 = 241;        // write 1
inline constexpr std::uint8_t REG_STAB_BAND = 242;      // write 1
inline constexpr std::uint8_t REG_OUTPUT_CONTROL = 252; // 1: outputs follow the PC, 0: the indicator drives them
inline constexpr std::uint8_t REG_ARGUMENT = 253;       // argument of the next command
inline constexpr std::uint8_t REG_PAGE = 254;           // selects the 256-byte memory page
inline constexpr std::uint8_t REG_COMMAND = 255;        // runs a command

inline constexpr int DISPLAY_COUNT = 16;
inline constexpr int DIO_COUNT = 2;
inline constexpr int IDENT_COUNT = 4;
inline constexpr int FILTER_COUNT = 3;

// Commands written to REG_COMMAND.
inline constexpr std::uint8_t CMD_STREAM_STOP = 0;
inline constexpr std::uint8_t CMD_WRITE_DONE = 1;
inline constexpr std::uint8_t CMD_SET_OUTPUTS = 10;
inline constexpr std::uint8_t CMD_KEYS_A = 12;
inline constexpr std::uint8_t CMD_KEYS_B = 13;
inline constexpr std::uint8_t CMD_KEYBOARD_LOCK = 16;
inline constexpr std::uint8_t CMD_KEYBOARD_UNLOCK = 17;
inline constexpr std::uint8_t CMD_STREAM_START = 20;

// Memory locations (offsets in the page last written to REG_PAGE).
inline constexpr std::uint8_t MEM_DECIMALS = 6;
inline constexpr std::uint8_t MEM_DISCRETENESS = 28;
inline constexpr std::uint8_t MEM_OUTPUT_CONFIG_PAGE = 1;
inline constexpr std::uint8_t MEM_OUTPUT_CONFIG = 53; // offsets 53..60
inline constexpr int MEM_OUTPUT_CONFIG_COUNT = 8;

inline constexpr int MEM_PAGE_SIZE = 256;
inline constexpr int MEM_PAGE_COUNT = 128;
inline constexpr int MEM_EEPROM_FIRST_PAGE = 0; // pages 0..7
inline constexpr int MEM_EEPROM_PAGES = 8;
inline constexpr int MEM_FM_FIRST_PAGE = 8;     // pages 8..127
inline constexpr int MEM_FM_PAGES = 120;

// Status byte d0 of REG_DISPLAY.
inline constexpr std::uint8_t STATUS_STABLE = 1 << 6;
inline constexpr std::uint8_t STATUS_TARE = 1 << 4;
inline constexpr std::uint8_t STATUS_ZERO = 1 << 2;
inline constexpr std::uint8_t STATUS_DOZ1 = 1 << 7;
inline constexpr std::uint8_t STATUS_DOZ2 = 1 << 5;
inline constexpr std::uint8_t STATUS_DOZ3 = 1 << 3;
inline constexpr std::uint8_t STATUS_DOZ4 = 1 << 1;

// Models from this number on are dosers (model byte read as signed).
inline constexpr int DOSER_FIRST_MODEL = 20;

// Stream frames carry 4 data bytes: signed 24-bit weight (LSB first), digital inputs.
inline constexpr int STREAM_DATA_COUNT = 4;

// Key masks: group A goes with CMD_KEYS_A, group B with CMD_KEYS_B.
namespace keys {
inline constexpr std::uint8_t A_4 = 0x01, A_5 = 0x02, A_6 = 0x04, A_F = 0x08;
inline constexpr std::uint8_t A_7 = 0x10, A_8 = 0x20, A_9 = 0x40, A_T = 0x80;
inline constexpr std::uint8_t B_1 = 0x01, B_2 = 0x02, B_3 = 0x04, B_PRINT = 0x08;
inline constexpr std::uint8_t B_C = 0x10, B_0 = 0x20, B_E = 0x40, B_ZERO = 0x80;
} // namespace keys

} // namespace korvel
