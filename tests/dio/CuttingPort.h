#pragma once
// A real port with a pair of scissors: after a given number of requests it stops sending, as
// if the cable came out, so a failure can be placed in the middle of a sequence of
// transactions against the simulated indicator.
#include "link/SerialPort.h"

#include <limits>

namespace korvel::test {

class CuttingPort : public SerialPort
{
public:
    explicit CuttingPort(SerialPort& inner) : inner_(inner) {}

    // Requests still sent before the cut; a negative number means never cut.
    void cutAfter(int requests) { left_ = requests; }
    void mend() { left_ = -1; }

    PortOpenResult open(const std::string& name, int baud, int timeoutMs) override
    {
        return inner_.open(name, baud, timeoutMs);
    }
    void close() override { inner_.close(); }
    PortState state() const override { return inner_.state(); }
    bool setReadTimeout(int ms) override { return inner_.setReadTimeout(ms); }
    std::size_t read(std::uint8_t* buffer, std::size_t count) override
    {
        return inner_.read(buffer, count);
    }
    std::size_t readAvailable(std::uint8_t* buffer, std::size_t count) override
    {
        return inner_.readAvailable(buffer, count);
    }
    std::size_t write(const std::uint8_t* data, std::size_t count) override
    {
        if (left_ == 0)
            return count; // lost on the way: nothing answers
        if (left_ > 0)
            --left_;
        return inner_.write(data, count);
    }
    void purgeRx() override { inner_.purgeRx(); }

private:
    SerialPort& inner_;
    int left_ = -1;
};

} // namespace korvel::test
