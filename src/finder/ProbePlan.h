#pragma once
#include <vector>

namespace korvel {

// The order in which a search tries line speeds and addresses, and how long one probe waits.
// Pure: the search and its tests share it.
namespace ProbePlan {

// Speeds an indicator can be set to, in the order tried after the configured one.
inline constexpr int kBaudRates[] = {9600, 19200, 38400, 57600, 115200, 4800, 2400};
inline constexpr int kFirstAddress = 1;
inline constexpr int kLastAddress = 63;
inline constexpr int kAddressCount = kLastAddress - kFirstAddress + 1;

// A probe is a 4-byte request and a 7-byte reply (the identification read).
inline constexpr int kProbeLineBytes = 4 + 7;
// What the indicator and the adapter add to the line time: a USB serial adapter holds what
// it received for up to 16 ms (its latency timer) before passing it on, and the indicator
// takes a few milliseconds to answer.
inline constexpr int kReplyMarginMs = 20;

// The configured speed first (also when the list lacks it), then the list without it.
std::vector<int> baudOrder(int configured);
// The configured address first (when 1..63), then 1..63 without it: 63 addresses.
std::vector<int> addressOrder(int configured);
// Line time of request and reply at 10 bits a byte, rounded up, plus the margin.
int probeTimeoutMs(int baud);
// The floor of one probe: the line time alone, in milliseconds.
double lineTimeMs(int baud);

} // namespace ProbePlan

} // namespace korvel
