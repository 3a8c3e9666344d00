#include "device/Indicator.h"

#include "link/Link.h"

#include <algorithm>
#include <cstdio>

namespace korvel {

std::string Identification::serial() const
{
    char text[16];
    std::snprintf(text, sizeof text, "%02u%02u%03u", unsigned(bytes[2]), unsigned(bytes[3]),
                  unsigned(bytes[0]));
    return text;
}

Clock& Indicator::clock() const
{
    return link_.clock();
}

std::uint8_t Indicator::address() const
{
    return static_cast<std::uint8_t>(link_.settings().AdrPribor) & ACCESS_ADDRESS_MASK;
}

bool Indicator::read(std::uint8_t access, std::uint8_t reg, int count, std::uint8_t* out)
{
    // The link's own buffer: a reply is copied out before the next transaction reuses it.
    std::uint8_t* rx = link_.RxBuffer.data();
    if (!link_.DeviceRead(address() | access, reg, count, rx))
        return false;
    std::copy_n(rx + 2, count, out);
    return true;
}

std::optional<DisplayReading> Indicator::readDisplay()
{
    std::array<std::uint8_t, DISPLAY_COUNT> data{};
    if (!read(ACCESS_REG_READ, REG_DISPLAY, DISPLAY_COUNT, data.data()))
        return std::nullopt;
    DisplayReading r;
    r.status = data[0];
    std::copy(data.begin() + 1, data.end(), r.segments.begin());
    return r;
}

std::optional<Identification> Indicator::readIdentification()
{
    Identification id;
    if (!read(ACCESS_REG_READ, REG_IDENT, IDENT_COUNT, id.bytes.data()))
        return std::nullopt;
    return id;
}

std::optional<IoReading> Indicator::readIo()
{
    std::array<std::uint8_t, DIO_COUNT> data{};
    if (!read(ACCESS_REG_READ, REG_DIO, DIO_COUNT, data.data()))
        return std::nullopt;
    return IoReading{data[0], data[1]};
}

std::optional<std::array<std::uint8_t, FILTER_COUNT>> Indicator::readFilters()
{
    std::array<std::uint8_t, FILTER_COUNT> values{};
    if (!read(ACCESS_REG_READ, REG_FILTER1, FILTER_COUNT, values.data()))
        return std::nullopt;
    return values;
}

bool Indicator::writeRegister(std::uint8_t reg, std::uint8_t value)
{
    return link_.DeviceWrite(address() | ACCESS_REG_WRITE, reg, value);
}

bool Indicator::command(std::uint8_t command)
{
    return writeRegister(REG_COMMAND, command);
}

bool Indicator::unlockKeyboard()
{
    return lockKeyboard(false);
}

bool Indicator::startStream()
{
    return command(CMD_STREAM_START);
}

bool Indicator::stopStream()
{
    return command(CMD_STREAM_STOP);
}

bool Indicator::endWrite()
{
    return command(CMD_WRITE_DONE);
}

bool Indicator::setOutputControl(bool pc)
{
    return writeRegister(REG_OUTPUT_CONTROL, pc ? 1 : 0);
}

bool Indicator::lockKeyboard(bool locked)
{
    return command(locked ? CMD_KEYBOARD_LOCK : CMD_KEYBOARD_UNLOCK);
}

bool Indicator::setOutputs(std::uint8_t outputs)
{
    return writeRegister(REG_ARGUMENT, outputs) && command(CMD_SET_OUTPUTS);
}

bool Indicator::readOutputBlock(std::array<std::uint8_t, MEM_OUTPUT_CONFIG_COUNT>& block)
{
    return selectPage(MEM_OUTPUT_CONFIG_PAGE) &&
           readMemory(MEM_OUTPUT_CONFIG, MEM_OUTPUT_CONFIG_COUNT, block.data());
}

bool Indicator::writeOutputBlock(const std::array<std::uint8_t, MEM_OUTPUT_CONFIG_COUNT>& block)
{
    for (int i = 0; i < MEM_OUTPUT_CONFIG_COUNT; ++i)
        if (!writeMemoryByte(static_cast<std::uint8_t>(MEM_OUTPUT_CONFIG + i), block[std::size_t(i)]))
            return false;
    return true;
}

bool Indicator::selectPage(int page)
{
    return writeRegister(REG_PAGE, static_cast<std::uint8_t>(page));
}

bool Indicator::readMemory(std::uint8_t offset, int count, std::uint8_t* out)
{
    return read(ACCESS_MEM_READ, offset, count, out);
}

std::optional<std::uint8_t> Indicator::readMemoryByte(std::uint8_t offset)
{
    std::uint8_t value = 0;
    if (!readMemory(offset, 1, &value))
        return std::nullopt;
    return value;
}

bool Indicator::readPage(std::array<std::uint8_t, MEM_PAGE_SIZE>& out)
{
    return readMemory(0, MEM_PAGE_SIZE, out.data());
}

bool Indicator::writeMemoryByte(std::uint8_t offset, std::uint8_t value)
{
    return link_.DeviceWrite(address() | ACCESS_MEM_WRITE, offset, value);
}

void Indicator::discardReceived()
{
    link_.port().purgeRx();
}

std::optional<std::array<std::uint8_t, STREAM_DATA_COUNT>> Indicator::receiveStreamFrame()
{
    std::uint8_t* rx = link_.RxBuffer.data();
    if (!link_.ReceiveStreamFrame(STREAM_DATA_COUNT, rx))
        return std::nullopt;
    std::array<std::uint8_t, STREAM_DATA_COUNT> data{};
    std::copy_n(rx + 2, data.size(), data.begin());
    return data;
}

} // namespace korvel
