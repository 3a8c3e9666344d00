#pragma once
#include "link/Clock.h"
#include "link/DeviceMap.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace korvel {

class Link;

// What the display register holds: the status byte (lamps) and the fifteen segment codes of
// the two rows.
struct DisplayReading
{
    std::uint8_t status = 0;
    std::array<std::uint8_t, DISPLAY_COUNT - 1> segments{};
};

// The identification registers as read: serial 3-digit group, model, serial 2-digit groups.
struct Identification
{
    std::array<std::uint8_t, IDENT_COUNT> bytes{};

    // The model as a signed byte: 128 and above count as plain indicators.
    int model() const { return static_cast<std::int8_t>(bytes[1]); }
    // The model number as the version label shows it (0..255).
    int modelNumber() const { return bytes[1]; }
    // The serial number as the version label shows it, e.g. "0507123".
    std::string serial() const;
    bool operator==(const Identification&) const = default;
};

// The digital inputs (bits 0..4) and outputs (bits 0..7).
struct IoReading
{
    std::uint8_t inputs = 0;
    std::uint8_t outputs = 0;
};

// The indicator's operations as typed calls over the link: every register, command and
// memory access the program makes, with the replies decoded. Nothing above this layer builds a
// request or reads a reply buffer. The address is the link's (the settings' AdrPribor) at the
// moment of each call. Like the link, it never shows anything: false or nothing means the
// transaction failed.
class Indicator
{
public:
    explicit Indicator(Link& link) : link_(link) {}

    Link& link() const { return link_; }
    // The link's clock, for the pauses some exchanges need between their transactions.
    Clock& clock() const;
    std::uint8_t address() const;

    // Registers.
    std::optional<DisplayReading> readDisplay();
    std::optional<Identification> readIdentification();
    std::optional<IoReading> readIo();
    // Filter 1, filter 2 and the stability band (registers 240..242).
    std::optional<std::array<std::uint8_t, FILTER_COUNT>> readFilters();
    bool writeRegister(std::uint8_t reg, std::uint8_t value);
    bool command(std::uint8_t command);

    // Commands by name.
    bool lockKeyboard(bool locked);
    bool unlockKeyboard();
    bool startStream();
    bool stopStream();
    bool endWrite();
    // Register 252: the PC drives the outputs (true) or the indicator does.
    bool setOutputControl(bool pc);
    // The whole output byte into the argument register, then the set-outputs command.
    bool setOutputs(std::uint8_t outputs);
    // The outputs' configuration block (page 1, offsets 53..60): page 1 selected, then read;
    // written byte by byte into the page selected (false at the first byte not acknowledged,
    // the bytes before it written).
    bool readOutputBlock(std::array<std::uint8_t, MEM_OUTPUT_CONFIG_COUNT>& block);
    bool writeOutputBlock(const std::array<std::uint8_t, MEM_OUTPUT_CONFIG_COUNT>& block);

    // Memory, in the page last selected.
    bool selectPage(int page);
    bool readMemory(std::uint8_t offset, int count, std::uint8_t* out);
    std::optional<std::uint8_t> readMemoryByte(std::uint8_t offset);
    bool readPage(std::array<std::uint8_t, MEM_PAGE_SIZE>& out);
    bool writeMemoryByte(std::uint8_t offset, std::uint8_t value);

    // Drops whatever the port has received and not read (a late reply, stream frames).
    void discardReceived();

    // One stream frame's data bytes (STREAM_DATA_COUNT), as the indicator streams them.
    std::optional<std::array<std::uint8_t, STREAM_DATA_COUNT>> receiveStreamFrame();

private:
    bool read(std::uint8_t access, std::uint8_t reg, int count, std::uint8_t* out);

    Link& link_;
};

} // namespace korvel
