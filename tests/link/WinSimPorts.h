#pragma once
// The simulators scripts/test-windows starts before the cross-built suite runs under wine:
// one korvel-sim per fault, each behind its own COM port, each logging the requests it
// receives. Keep this table and the script's in step.
#include <cstdlib>
#include <string>

namespace korvel::test {

struct WinSim
{
    const char* port;
    const char* log; // file name in the folder named by KORVEL_SIM_DIR
};

inline constexpr WinSim kSimHealthy{"COM5", "healthy.log"};
inline constexpr WinSim kSimSplit2{"COM6", "split2.log"};   // replies in 2 pieces, 250 ms apart
inline constexpr WinSim kSimSplit3{"COM7", "split3.log"};   // ... in 3 pieces
inline constexpr WinSim kSimSplit4{"COM8", "split4.log"};   // ... in 4 pieces
inline constexpr WinSim kSimCorrupt{"COM9", "corrupt.log"}; // every CRC byte wrong
// Two digits: such names open only through the device namespace.
inline constexpr WinSim kSimSilent{"COM12", "silent.log"};
// Ended by the script once it has logged its first request: the adapter pulled out.
inline constexpr WinSim kSimUnplugged{"COM13", "unplugged.log"};

// A port name no simulator stands behind.
inline constexpr const char* kNoSuchPort = "COM77";

// The Windows path of a simulator's log ("" when the script did not say where they are).
inline std::string simLogPath(const WinSim& sim)
{
    const char* dir = std::getenv("KORVEL_SIM_DIR");
    return dir && *dir ? std::string(dir) + "\\" + sim.log : std::string();
}

} // namespace korvel::test
