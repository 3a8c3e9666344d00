#pragma once
// The plumbing of a fake serial port: always open, replies queued as bytes, reads take what
// is queued (nothing more arrives later), a purge drops it. A fake indicator derives from it
// and decides in write() what to queue. pullOut() / plugIn() play a USB adapter taken away
// and brought back.
#include "link/Crc8.h"
#include "link/SerialPort.h"

#include <deque>
#include <vector>

namespace korvel::test {

class QueuedPort : public SerialPort
{
public:
    PortOpenResult open(const std::string&, int, int) override
    {
        ++opens;
        if (pulledOut_) {
            state_ = PortState::Failed;
            return {PortOpenStatus::NotFound, 2};
        }
        state_ = PortState::Open;
        lost_ = false;
        return {PortOpenStatus::Ok, 0};
    }
    bool deviceLost() const override { return lost_; }
    void pullOut()
    {
        pulledOut_ = lost_ = true;
        state_ = PortState::Failed;
        pending_.clear();
    }
    void plugIn() { pulledOut_ = false; }
    bool pulledOut() const { return pulledOut_; }
    int opens = 0;
    void close() override { state_ = PortState::NeverOpened; }
    PortState state() const override { return state_; }
    bool setReadTimeout(int) override { return true; }
    void purgeRx() override { pending_.clear(); }

    std::size_t readAvailable(std::uint8_t* buffer, std::size_t count) override
    {
        return read(buffer, count);
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

protected:
    void queue(const std::vector<std::uint8_t>& bytes)
    {
        pending_.insert(pending_.end(), bytes.begin(), bytes.end());
    }
    // A read reply: the request's first byte, count - 1, the data, CRC8 of all before.
    void queueReadReply(std::uint8_t first, const std::uint8_t* data, int count)
    {
        std::vector<std::uint8_t> reply{first, static_cast<std::uint8_t>(count - 1)};
        reply.insert(reply.end(), data, data + count);
        reply.push_back(Crc8(reply.data(), reply.size()));
        queue(reply);
    }

private:
    PortState state_ = PortState::Open;
    bool pulledOut_ = false;
    bool lost_ = false;
    std::deque<std::uint8_t> pending_;
};

} // namespace korvel::test
