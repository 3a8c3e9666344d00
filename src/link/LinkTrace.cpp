#include "link/LinkTrace.h"

namespace korvel {

std::string traceBinary(std::uint8_t value)
{
    std::string text(8, '0');
    for (int bit = 0; bit < 8; ++bit)
        if (value & (0x80 >> bit))
            text[bit] = '1';
    return text;
}

std::string traceHex(std::uint8_t value)
{
    static const char digits[] = "0123456789ABCDEF";
    return {digits[value >> 4], digits[value & 0x0F]};
}

namespace {

// "B  0xH (D)": the same byte three ways, so a flipped bit is easy to spot.
std::string threeWays(std::uint8_t value)
{
    return traceBinary(value) + "  0x" + traceHex(value) + " (" + std::to_string(value) + ")";
}

std::string receiveLine(std::uint8_t received, std::uint8_t replyAddress, int extra)
{
    return "   Receive = " + threeWays(received) + " - Адр. " + traceHex(replyAddress) + "  " +
           std::to_string(extra);
}

} // namespace

TraceLines writeTraceLines(std::uint8_t first, std::uint8_t requestCrc, std::uint8_t ackAddress,
                           std::uint8_t ackCrc, int extra, int attempt)
{
    return {"   Send    = " + threeWays(requestCrc) + " - Адр. " + traceHex(first),
            receiveLine(ackCrc, ackAddress, extra), "Write " + std::to_string(attempt)};
}

TraceLines readTraceLines(std::uint8_t first, std::uint8_t computedCrc, std::uint8_t replyAddress,
                          std::uint8_t receivedCrc, int extra, int attempt)
{
    return {"   CRC8    = " + threeWays(computedCrc) + " - Адр. " + traceHex(first),
            receiveLine(receivedCrc, replyAddress, extra), "Read " + std::to_string(attempt)};
}

} // namespace korvel
