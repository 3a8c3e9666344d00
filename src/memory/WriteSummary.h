#pragma once
// How a memory write that got past its backup ended, as the end message reports it. No texts
// here (they are built in MemoryMessages); the engine that runs the write fills it in.
#include "memory/ImageDiff.h"

#include <vector>

namespace korvel {

// How a write that got past its backup ended.
enum class WriteEnd {
    Completed,        // sent and read back; `left` says what still differs
    NothingToWrite,   // the indicator already held the image
    Cancelled,        // while bytes were being written
    LinkFailed,       // while bytes were being written
    VerifyCancelled,  // every byte was sent, the read-back or the rewrite was stopped
    VerifyLinkFailed, // every byte was sent, the read-back or the rewrite failed on the link
};

// Whether the write is ended with the end-of-write command: whenever every byte of the image
// has been acknowledged (or none had to be sent), not when the bytes were cut off half-way.
bool WriteEndsWithCommand(WriteEnd end);

struct WriteSummary
{
    WriteEnd end = WriteEnd::Completed;
    int written = 0; // bytes of the area the indicator acknowledged, each counted once
    // Bytes that still differed from the image after the rewrite (Completed only).
    std::vector<ByteDiff> left;
    int rewritten = 0; // acknowledged writes of a byte written before
    // The end-of-write command was due but the indicator did not acknowledge it.
    bool writeDoneLost = false;
};

} // namespace korvel
