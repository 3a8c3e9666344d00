#pragma once
#include <cstdint>
#include <string>

namespace korvel {

// The three caption lines of a failed transaction, shown on the main window's trace panels.
struct TraceLines
{
    std::string panel1; // "   Send    = ..." / "   CRC8    = ..."
    std::string panel2; // "   Receive = ..."
    std::string panel3; // "Write n" / "Read n"
};

// Byte notations of the trace: 8 binary digits, 2 upper-case hex digits, plain decimal.
std::string traceBinary(std::uint8_t value);
std::string traceHex(std::uint8_t value);

// A write whose acknowledgement did not echo the request's CRC.
//   first, requestCrc: byte 0 and byte 3 of the request
//   ackAddress, ackCrc: the two acknowledgement bytes
//   extra: the additional read calls the reply needed (0..2); attempt: failed attempts so far
TraceLines writeTraceLines(std::uint8_t first, std::uint8_t requestCrc, std::uint8_t ackAddress,
                           std::uint8_t ackCrc, int extra, int attempt);

// A read whose reply failed its CRC.
//   computedCrc: Crc8 over the reply without its last byte; receivedCrc: that last byte
//   replyAddress: byte 0 of the reply
TraceLines readTraceLines(std::uint8_t first, std::uint8_t computedCrc, std::uint8_t replyAddress,
                          std::uint8_t receivedCrc, int extra, int attempt);

} // namespace korvel
