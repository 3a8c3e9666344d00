#pragma once
#include "panel/KeyTable.h"

#include <array>
#include <cstdint>
#include <vector>

namespace korvel {

// One register write to the indicator.
struct RegWrite
{
    std::uint8_t reg;
    std::uint8_t value;
    bool operator==(const RegWrite&) const = default;
};

// Writes that belong together: sending stops at the first one that is not acknowledged,
// and that failure is reported once.
using WriteBatch = std::vector<RegWrite>;

// The keys collected with Ctrl-clicks, one record per key group, and the rule that turns a
// click into the writes that press keys on the indicator.
class KeyChord
{
public:
    // A click on a key; returns the batches to send, in order (empty while collecting).
    std::vector<WriteBatch> press(KeyGroup group, std::uint8_t bit, bool ctrl);
    // A click on a key drawn pressed: takes it out of the chord again. A key that is not
    // collected (drawn pressed only for a single click) changes nothing.
    void release(KeyGroup group, std::uint8_t bit);

    bool anyPending() const { return PendingCount[0] + PendingCount[1] > 0; }
    int pendingCount(KeyGroup g) const { return PendingCount[index(g)]; }
    std::uint8_t pendingMask(KeyGroup g) const { return PendingMask[index(g)]; }

private:
    static int index(KeyGroup g) { return static_cast<int>(g); }
    void add(KeyGroup group, std::uint8_t bit);
    WriteBatch take(KeyGroup group);

    std::array<int, 2> PendingCount{};
    std::array<std::uint8_t, 2> PendingMask{};
};

} // namespace korvel
