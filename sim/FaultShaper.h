#pragma once
#include <cstdint>
#include <random>
#include <vector>

#include "sim/SimOptions.h"

namespace korvel::sim {

// One write to the line, after a pause.
struct Piece
{
    std::vector<std::uint8_t> bytes;
    int pauseBeforeMs = 0;
};

// Turns what the device would send into what the faults let through: corrupted CRCs,
// dropped bytes, garbage before stream frames, replies in pieces and late.
class FaultShaper
{
public:
    explicit FaultShaper(unsigned seed) : rng_(seed ^ 0xFA17u) {}

    // New faults count their Nth reply, frame or byte afresh.
    void setFaults(const SimFaults& faults);
    const SimFaults& faults() const { return faults_; }

    // A reply or an acknowledgement. Empty when the device is silent.
    std::vector<Piece> shapeReply(std::vector<std::uint8_t> reply);
    // A stream frame.
    std::vector<Piece> shapeFrame(std::vector<std::uint8_t> frame);

    // True when the faults refuse this well-formed request (a page select or a byte write
    // named by them), given the page the device has selected: it is then acknowledged wrongly
    // and has no effect.
    bool refuses(const std::uint8_t request[4], int selectedPage) const;
    // True for the one memory byte write that the cut swallows (see SimFaults::cutWriteAfter);
    // counts every memory byte write it is shown.
    bool cuts(const std::uint8_t request[4]);
    // True for a byte write the faults let go astray (see SimFaults::loseWritePage): it is
    // acknowledged and changes nothing. Counts the writes it loses.
    bool loses(const std::uint8_t request[4], int selectedPage);
    // True for a memory page read the faults spoil (see SimFaults::failReadsAfterWrites):
    // its reply goes out with a broken CRC. The byte writes are those cuts() has counted,
    // which is shown every request first.
    bool spoilsRead(const std::uint8_t request[4]) const;

private:
    void drop(std::vector<std::uint8_t>& bytes);

    SimFaults faults_;
    std::mt19937 rng_;
    long replies_ = 0;
    long frames_ = 0;
    long bytes_ = 0;
    long memoryWrites_ = 0;
    long lostWrites_ = 0;
};

} // namespace korvel::sim
