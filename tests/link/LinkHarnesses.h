#pragma once
// The two transports the link contract runs on: the scripted fake on virtual time with a
// small indicator model, and korvel-sim on the real clock: over a pseudo-terminal in process
// here, through COM ports and the Win32 calls in the Windows build (WinSimHarness.h).
#include "FakeIndicator.h"
#include "FakeTransport.h"
#include "link/Link.h"
#ifdef _WIN32
#include "WinSimHarness.h"
#else
#include "link/PosixSerialPort.h"
#include "sim/Simulator.h"
#endif

#include <memory>
#include <string>
#include <vector>

namespace korvel::test {

class FakeHarness
{
public:
    FakeHarness()
    {
        port.responder = [this](const Bytes& request) { return indicator.answer(request); };
    }
    bool ready(std::string*) { return true; }
    void setReplyPieces(int pieces) { indicator.splitPieces = pieces; }
    void setCorrupt(bool on) { indicator.corrupt = on; }
    void setSilent(bool on) { indicator.silent = on; }
    std::vector<Bytes> requests() const { return port.writes; }
    void clearRequests() { port.writes.clear(); }

    std::vector<std::string> log;
    FakeSerialPort port{log};
    FakeClock clock{log};
    LinkSettings settings;
    Link link{port, clock, settings};
    FakeIndicator indicator{1};
};

#ifndef _WIN32
class SimHarness
{
public:
    static constexpr int kReadTimeoutMs = 200;

    SimHarness() : sim(options()) {}
    ~SimHarness()
    {
        port.close();
        sim.stop();
    }

    bool ready(std::string* error)
    {
        if (!sim.start(error))
            return false;
        const PortOpenResult opened = port.open(sim.slavePath(), 115200, kReadTimeoutMs);
        if (opened.status != PortOpenStatus::Ok && error)
            *error = "cannot open " + sim.slavePath() + ": " + std::to_string(opened.errorCode);
        return opened.status == PortOpenStatus::Ok;
    }
    void setReplyPieces(int pieces)
    {
        faults.splitPieces = pieces;
        // Each piece comes after the read before it has timed out, inside the next read's
        // window: the pause lies between one and one and a half read time-outs.
        faults.splitPauseMs = pieces > 1 ? kReadTimeoutMs * 5 / 4 : 0;
        sim.setFaults(faults);
    }
    void setCorrupt(bool on)
    {
        faults.corruptEveryN = on ? 1 : 0;
        sim.setFaults(faults);
    }
    void setSilent(bool on)
    {
        faults.silent = on;
        sim.setFaults(faults);
    }
    std::vector<Bytes> requests() const
    {
        std::vector<Bytes> out;
        for (const auto& r : sim.requests())
            out.push_back(r.bytes);
        return out;
    }
    void clearRequests() { sim.clearRequests(); }

    sim::Simulator sim;
    PosixSerialPort port;
    LinkSettings settings;
    Link link{port, systemClock(), settings};
    sim::SimFaults faults;

private:
    static sim::SimOptions options()
    {
        sim::SimOptions o;
        o.address = 1;
        o.model = 3;
        o.serial = {5, 7, 123};
        return o;
    }
};
#endif

} // namespace korvel::test
