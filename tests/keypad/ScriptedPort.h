#pragma once
// A serial port that behaves like an indicator for the keypad's purposes, on virtual time:
// it records every request, acknowledges writes (until told to fall silent) and answers
// register reads with zeros, so that a poll tick that slips in does no harm.
#include "support/VirtualClock.h"
#include "link/DeviceMap.h"
#include "support/QueuedPort.h"

#include <functional>
#include <vector>

namespace korvel::test {

class ScriptedPort : public QueuedPort
{
public:
    struct Write
    {
        std::uint8_t first, reg, value;
        bool operator==(const Write&) const = default;
    };

    // Every register write received, acknowledged or not.
    std::vector<Write> writes;
    int reads = 0;
    // Writes with these 0-based numbers (counted over `writes`) get no acknowledgement.
    std::vector<std::size_t> unansweredWrites;
    bool silent = false;
    // Called for every request as it arrives.
    std::function<void()> onRequest;

    std::size_t write(const std::uint8_t* data, std::size_t count) override
    {
        if (onRequest)
            onRequest();
        if (count != 4)
            return count;
        if (data[0] & ACCESS_REG_READ) {
            ++reads;
            if (!silent)
                answerRead(data);
            return count;
        }
        writes.push_back({data[0], data[1], data[2]});
        bool answer = !silent;
        for (std::size_t n : unansweredWrites)
            answer = answer && n != writes.size() - 1;
        if (answer)
            queue({static_cast<std::uint8_t>(data[0] & ACCESS_ADDRESS_MASK), data[3]});
        return count;
    }

private:
    void answerRead(const std::uint8_t* request)
    {
        const std::vector<std::uint8_t> zeros(request[2] + 1u, 0);
        queueReadReply(request[0], zeros.data(), static_cast<int>(zeros.size()));
    }
};

} // namespace korvel::test
