#include "FakeIndicator.h"

#include "link/Crc8.h"
#include "link/DeviceMap.h"

namespace korvel::test {

FakeIndicator::FakeIndicator(int address) : address_(address)
{
    for (int i = 0; i < 256; ++i)
        registers_[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i * 7 + 3);
}

Bytes FakeIndicator::streamFrame(int address, int weight, std::uint8_t inputs)
{
    Bytes frame{static_cast<std::uint8_t>(address | 0x80),
                3,
                static_cast<std::uint8_t>(weight & 0xFF),
                static_cast<std::uint8_t>((weight >> 8) & 0xFF),
                static_cast<std::uint8_t>((weight >> 16) & 0xFF),
                inputs};
    frame.push_back(Crc8(frame.data(), frame.size()));
    return frame;
}

Pieces FakeIndicator::split(Bytes reply) const
{
    if (corrupt)
        reply.back() ^= 0x5A;
    const std::size_t pieces = static_cast<std::size_t>(splitPieces < 1 ? 1 : splitPieces);
    Pieces out;
    std::size_t start = 0;
    for (std::size_t k = 0; k < pieces; ++k) {
        const std::size_t end = reply.size() * (k + 1) / pieces;
        out.emplace_back(reply.begin() + static_cast<std::ptrdiff_t>(start),
                         reply.begin() + static_cast<std::ptrdiff_t>(end));
        start = end;
    }
    return out;
}

Pieces FakeIndicator::answer(const Bytes& request)
{
    if (silent || request.size() != 4 || Crc8(request.data(), 3) != request[3] ||
        (request[0] & ACCESS_ADDRESS_MASK) != address_)
        return {};
    const bool read = request[0] & ACCESS_REG_READ;
    const bool memory = request[0] & ACCESS_MEM_WRITE;
    if (!read) {
        if (!memory)
            registers_[request[1]] = request[2];
        Pieces ack = split({static_cast<std::uint8_t>(address_), request[3]});
        if (!memory && request[1] == REG_COMMAND && request[2] == CMD_STREAM_START) {
            Bytes stream;
            for (int i = 0; i < streamFrames; ++i) {
                const Bytes frame = streamFrame(address_, 1000 + i, 0x05);
                stream.insert(stream.end(), frame.begin(), frame.end());
            }
            ack.push_back(stream);
        }
        return ack;
    }
    const int count = request[2] + 1;
    Bytes reply{static_cast<std::uint8_t>(address_ | 0x80), request[2]};
    for (int i = 0; i < count; ++i) {
        const auto at = static_cast<std::uint8_t>(request[1] + i);
        reply.push_back(memory ? static_cast<std::uint8_t>(at ^ 0xA5) : registers_[at]);
    }
    reply.push_back(Crc8(reply.data(), reply.size()));
    return split(reply);
}

} // namespace korvel::test
