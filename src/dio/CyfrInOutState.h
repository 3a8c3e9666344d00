#pragma once
#include "link/DeviceMap.h"

#include <array>
#include <cstdint>

namespace korvel {

// What the digital I/O panel knows beyond the life of one window: the window is created
// afresh every time it opens, this state is not.
struct CyfrInOutState
{
    // The panel is open (from its creation until its closing animation has ended); the poll
    // reads the I/O register only while this is set.
    bool PanelInOutOpen = false;
    // The bytes the lamps show: inputs in bits 0..4, outputs in bits 0..7.
    std::uint8_t LastInputs = 0;
    std::uint8_t LastOutputs = 0;
    // The PC drives the outputs: the device's output block is cleared and register 252 is 1.
    bool OutputsTakenOver = false;
    // The device's own output block, read before a take-over cleared it.
    std::array<std::uint8_t, MEM_OUTPUT_CONFIG_COUNT> SavedOutputBlock{};
    // SavedOutputBlock holds the device's original block and the device may not have it any
    // more: set before a take-over writes its first byte, cleared once a release has written
    // the block back. While set, no later read of the (possibly partly cleared) block replaces
    // the copy.
    bool OriginalBlockHeld = false;
};

} // namespace korvel
