#pragma once
// A scripted indicator behind the SerialPort interface, on virtual time: answers register
// reads from its own register values and acknowledges writes, so the poll cycle can be
// driven through states the simulator cannot be put in on demand.
#include "support/VirtualClock.h"
#include "link/DeviceMap.h"
#include "support/QueuedPort.h"

#include <array>
#include <cstring>
#include <vector>

namespace korvel::test {

class FakeIndicator : public QueuedPort
{
public:
    std::array<std::uint8_t, DISPLAY_COUNT> display{};
    std::array<std::uint8_t, IDENT_COUNT> ident{};
    std::array<std::uint8_t, DIO_COUNT> dio{};
    bool silent = false;        // answers nothing
    bool displaySilent = false; // leaves only display reads unanswered
    bool identSilent = false;   // leaves only identification reads unanswered
    bool nackWrites = false;    // acknowledges writes with a wrong CRC byte

    struct Request
    {
        std::uint8_t first, reg, value;
    };
    std::vector<Request> requests;

    int readsOf(std::uint8_t reg) const
    {
        int n = 0;
        for (const Request& r : requests)
            n += (r.first & ACCESS_REG_READ) && r.reg == reg;
        return n;
    }
    std::vector<Request> writes() const
    {
        std::vector<Request> w;
        for (const Request& r : requests)
            if (!(r.first & ACCESS_REG_READ))
                w.push_back(r);
        return w;
    }

    std::size_t write(const std::uint8_t* data, std::size_t count) override
    {
        if (pulledOut())
            return 0;
        if (count != 4)
            return count;
        const Request r{data[0], data[1], data[2]};
        requests.push_back(r);
        if (silent)
            return count;
        if (r.first & ACCESS_REG_READ)
            answerRead(r);
        else
            queue({static_cast<std::uint8_t>(r.first & ACCESS_ADDRESS_MASK),
                   static_cast<std::uint8_t>(nackWrites ? data[3] ^ 0xFF : data[3])});
        return count;
    }

private:
    void answerRead(const Request& r)
    {
        const int count = r.value + 1;
        const std::uint8_t* src = nullptr;
        if (r.reg == REG_DISPLAY && !displaySilent)
            src = display.data();
        else if (r.reg == REG_IDENT && !identSilent)
            src = ident.data();
        else if (r.reg == REG_DIO)
            src = dio.data();
        if (!src)
            return;
        queueReadReply(r.first, src, count);
    }
};

} // namespace korvel::test
