#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace korvel::sim {

// Misbehaviour on request, so the link's error paths can be exercised against a real pty.
struct SimFaults
{
    bool silent = false;   // answer nothing (requests are still logged)
    int replyDelayMs = 0;  // wait this long before answering
    int splitPieces = 1;   // send each reply in this many pieces (1 = whole)
    int splitPauseMs = 0;  // pause between the pieces
    int corruptEveryN = 0; // corrupt the CRC of every Nth reply or acknowledgement (0 = never)
    int garbageEveryNFrames = 0; // put a few garbage bytes before every Nth stream frame
    int dropEveryN = 0;          // leave out every Nth byte sent (0 = never)
    // Refuse one memory access (a wrong acknowledgement every time, nothing stored), so a
    // transfer fails there: the select of this page, the byte write at this page and offset.
    int failPageSelect = -1;
    int failWritePage = -1, failWriteOffset = -1;
    // The line goes dead for one request after this many memory byte writes (counted from
    // the start or from the last setFaults): the next byte write is heard and logged but
    // neither stored nor answered; everything after it is served as usual. A sequence of
    // writes that is cut off half-way can then be followed by its repair. -1 = never.
    int cutWriteAfter = -1;
    // A byte write that does not land: acknowledged as usual, but the memory keeps its old
    // value, as a worn or write-protected cell would. The first loseWriteTimes writes to that
    // page and offset are lost (-1: every one), so both a write that lands when it is tried
    // again and one that never lands can be shown.
    int loseWritePage = -1, loseWriteOffset = -1;
    int loseWriteTimes = -1;
    // Memory reads go wrong once this many memory byte writes have been heard (counted as for
    // cutWriteAfter): every page read is answered with a broken CRC, so the client gives up
    // after its retries, while page selects and register writes are served as usual. A
    // read-back after a write then fails with every byte in place, and what the client sends
    // after it can be watched. -1 = never.
    int failReadsAfterWrites = -1;
};

// What the stream frames carry.
enum class StreamPattern {
    Weighing, // the simulated load and the inputs as they change
    // The weight count is the frame's number n in the stream (0, 1, 2, ... from each start
    // command, wrapping after 8388607), so a receiver can tell exactly which frames it missed;
    // the input byte is bits 4..11 of n (input 1 changes every 16 frames, input 5 every 256),
    // so a delayed input shows by how far its changes lag.
    Counting,
};

// A test signal in place of the random loads, so that figures computed from the stream can be
// checked against known values. Weights are in display steps (scale divisions). The load is a
// square wave: 0 until stepPeriodSec, then stepSize until twice that, 0 again, and so on (time
// counted from the simulator's start); the weight follows it with the first-order lag the
// filter registers set (WeighingProcess::timeConstant) and carries noise of exactly
// noiseSteps standard deviation, added after the filter, so the stream shows what was asked
// whatever the filters.
struct TestSignal
{
    bool on = false;
    double noiseSteps = 0.0;
    double stepSize = 0.0;
    double stepPeriodSec = 0.0; // 0: no steps, the load stays at 0
};

struct SimOptions
{
    int address = 1; // 1..63
    int model = 3;   // 20 and above: a doser
    // Serial number groups in the order they are shown: i2, i3 (two digits), i0 (three digits).
    std::array<int, 3> serial{5, 7, 123};
    double periodMs = 7.5; // ADC period: one stream frame per period at filter 1 = 0
    int baud = 0;          // pace what is sent to this line rate; 0 = no pacing
    // Hear requests only while the client has the line at `baud`: at another speed a real
    // indicator receives garbage and stays silent. Requests are logged either way.
    bool strictBaud = false;
    // More indicators on the same line, one per address here: the same model and serial
    // number but for the three-digit group, raised by 1, 2, ... so each row tells them apart.
    // They answer reads and writes of registers; the stream and memory are the first one's.
    std::vector<int> moreAddresses;
    std::string linkPath;  // stable symlink to the pty slave (replaced, removed at stop)
    std::string logPath;   // one line per request received
    std::string imagePath; // memory image, 32768 raw bytes: loaded at start; saved at stop,
                           // after each CMD_WRITE_DONE and on request
    unsigned seed = 1;     // random source of the weighing process and the inputs
    // A pulled-out adapter, over and over: plugged for unplugAfterSec, then gone for
    // replugAfterSec (0: until replugged by hand). 0 = never pulled out on its own.
    double unplugAfterSec = 0.0;
    double replugAfterSec = 0.0;
    StreamPattern streamPattern = StreamPattern::Weighing;
    TestSignal signal;
    SimFaults faults;
};

} // namespace korvel::sim
