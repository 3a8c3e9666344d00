#pragma once
#include <cstdint>
#include <span>

namespace korvel {

class Indicator;

// Sends CMD_STREAM_STOP, and again after each pause for as long as it goes unacknowledged (frames
// still on the line may take the acknowledgement's place). True once one was acknowledged.
bool SendStreamStop(Indicator& indicator, std::span<const int> retryPausesMs);

} // namespace korvel
