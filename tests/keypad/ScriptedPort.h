#pragma once
// A serial port that behaves like an indicator for the keypad's purposes, on virtual time:
// it records every request, acknowledges writes (until told to fall silent) and answers
// register reads with zeros, so that a poll tick that slips in does no harm.
#include "support/VirtualClock.h"
#include "link/DeviceMap.h"
#include "link/SerialPort.h"
#include "link/Ucrc.h"

#include <deque>
#include <functional>
#include <vector>

namespace korvel::test {

class ScriptedPort : public SerialPort
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

    PortOpenResult open(const std::string&, int, int) override
    {
        state_ = PortState::Open;
        return {PortOpenStatus::Ok, 0};
    }
    void close() override { state_ = PortState::NeverOpened; }
    PortState state() const override { return state_; }
    bool setReadTimeout(int) override { return true; }
    void purgeRx() override { pending_.clear(); }

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
        if (answer) {
            pending_.push_back(data[0] & ACCESS_ADDRESS_MASK);
            pending_.push_back(data[3]);
        }
        return count;
    }

    std::size_t read(std::uint8_t* buffer, std::size_t count) override
    {
        std::size_t n = 0;
        for (; n < count && !pending_.empty(); ++n) {
            buffer[n] = pending_.front();
            pending_.pop_front();
        }
        return n;
    }

private:
    void answerRead(const std::uint8_t* request)
    {
        std::vector<std::uint8_t> reply{request[0], request[2]};
        reply.insert(reply.end(), request[2] + 1u, 0);
        reply.push_back(Crc8(reply.data(), reply.size()));
        pending_.insert(pending_.end(), reply.begin(), reply.end());
    }

    PortState state_ = PortState::Open;
    std::deque<std::uint8_t> pending_;
};

} // namespace korvel::test
