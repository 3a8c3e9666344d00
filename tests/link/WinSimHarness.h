#pragma once
// korvel-sim reached the way the program on Windows reaches an indicator: through a COM port
// and the Win32 calls. A simulator cannot change its faults from here, so each fault has its
// own simulator and port (WinSimPorts.h), and a fault is switched on by moving to its port.
// What the simulators received is read back from their request logs.
#include "FakeTransport.h"
#include "WinSimPorts.h"
#include "link/DeviceMap.h"
#include "link/Link.h"
#include "link/WinSerialPort.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace korvel::test {

class SimHarness
{
public:
    static constexpr int kReadTimeoutMs = 200;

    SimHarness() { clearRequests(); }
    ~SimHarness() { port.close(); }

    bool ready(std::string* error)
    {
        if (simLogPath(kSimHealthy).empty()) {
            if (error)
                *error = "KORVEL_SIM_DIR is not set: run the suite through scripts/test-windows";
            return false;
        }
        if (!use(kSimHealthy, error))
            return false;
        // The healthy simulator serves every case in turn; start each from an indicator that
        // streams nothing, as a fresh one would, whatever the case before left behind.
        link.DeviceWrite(ACCESS_REG_WRITE | 1, REG_COMMAND, CMD_STREAM_STOP);
        port.purgeRx();
        clearRequests();
        return true;
    }
    void setReplyPieces(int pieces)
    {
        const WinSim* sims[] = {&kSimHealthy, &kSimSplit2, &kSimSplit3, &kSimSplit4};
        use(*sims[std::clamp(pieces, 1, 4) - 1], nullptr);
    }
    void setCorrupt(bool on) { use(on ? kSimCorrupt : kSimHealthy, nullptr); }
    void setSilent(bool on) { use(on ? kSimSilent : kSimHealthy, nullptr); }

    // The requests the current simulator received since the last clearRequests().
    std::vector<Bytes> requests() const
    {
        const std::vector<Bytes> all = logged(*current_);
        const auto seen = seen_.find(current_->log);
        const std::size_t skip = seen == seen_.end() ? 0 : seen->second;
        return {all.begin() + static_cast<std::ptrdiff_t>(std::min(skip, all.size())), all.end()};
    }
    void clearRequests()
    {
        for (const WinSim* sim :
             {&kSimHealthy, &kSimSplit2, &kSimSplit3, &kSimSplit4, &kSimCorrupt, &kSimSilent})
            seen_[sim->log] = logged(*sim).size();
    }

    WinSerialPort port;
    LinkSettings settings;
    Link link{port, systemClock(), settings};

private:
    bool use(const WinSim& sim, std::string* error)
    {
        current_ = &sim;
        port.close();
        const PortOpenResult opened = port.open(sim.port, 115200, kReadTimeoutMs);
        if (opened.status != PortOpenStatus::Ok && error)
            *error =
                std::string("cannot open ") + sim.port + ": " + std::to_string(opened.errorCode);
        return opened.status == PortOpenStatus::Ok;
    }

    // Log lines read "seconds XX XX XX XX crc=ok".
    static std::vector<Bytes> logged(const WinSim& sim)
    {
        std::vector<Bytes> out;
        std::ifstream in(simLogPath(sim));
        for (std::string line; std::getline(in, line);) {
            std::istringstream words(line);
            std::string word;
            words >> word; // the time
            if (line.find(" # ") != std::string::npos)
                continue; // the simulator's notes (a stream's frame count), not requests
            Bytes bytes;
            while (words >> word && word.rfind("crc=", 0) != 0)
                bytes.push_back(static_cast<std::uint8_t>(std::stoul(word, nullptr, 16)));
            out.push_back(bytes);
        }
        return out;
    }

    const WinSim* current_ = &kSimHealthy;
    std::map<std::string, std::size_t> seen_;
};

} // namespace korvel::test
