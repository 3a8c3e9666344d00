#pragma once
// A small indicator model that answers frames written to a FakeSerialPort: a register file
// (writes store, reads return consecutive registers), memory reads from a page pattern, and a
// stream of frames after CMD_STREAM_START. Faults mirror those of korvel-sim.
#include "FakeTransport.h"

#include <array>

namespace korvel::test {

class FakeIndicator
{
public:
    explicit FakeIndicator(int address = 1);

    Pieces answer(const Bytes& request);

    bool silent = false;
    int splitPieces = 1;   // replies come in this many pieces
    bool corrupt = false;  // every reply and acknowledgement has a wrong CRC byte
    int streamFrames = 40; // frames that arrive after CMD_STREAM_START

    static Bytes streamFrame(int address, int weight, std::uint8_t inputs);

private:
    Pieces split(Bytes reply) const;

    int address_;
    std::array<std::uint8_t, 256> registers_{};
};

} // namespace korvel::test
