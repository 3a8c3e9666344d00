#include "FakeTransport.h"

#include <algorithm>
#include <cstdio>

namespace korvel::test {

std::string hexBytes(const std::uint8_t* data, std::size_t count)
{
    std::string text;
    char hex[4];
    for (std::size_t i = 0; i < count; ++i) {
        std::snprintf(hex, sizeof hex, i ? " %02X" : "%02X", data[i]);
        text += hex;
    }
    return text;
}

void FakeClock::sleepMs(int ms)
{
    log_.push_back("sleep " + std::to_string(ms));
    now_ += std::chrono::milliseconds(ms);
    slept_ += ms;
}

PortOpenResult FakeSerialPort::open(const std::string& portName, int, int)
{
    ++openCalls;
    log_.push_back("open " + portName);
    state_ = openResult.status == PortOpenStatus::Ok ? PortState::Open : PortState::Failed;
    return openResult;
}

void FakeSerialPort::close()
{
    log_.push_back("close");
    state_ = PortState::Failed;
}

bool FakeSerialPort::setReadTimeout(int ms)
{
    log_.push_back("timeout " + std::to_string(ms));
    return true;
}

std::size_t FakeSerialPort::takeFront(std::uint8_t* buffer, std::size_t count)
{
    std::size_t got = 0;
    if (!arrived_.empty()) {
        Bytes& front = arrived_.front();
        got = std::min(count, front.size());
        std::copy_n(front.begin(), got, buffer);
        front.erase(front.begin(), front.begin() + static_cast<std::ptrdiff_t>(got));
        if (front.empty())
            arrived_.pop_front();
    }
    return got;
}

std::size_t FakeSerialPort::read(std::uint8_t* buffer, std::size_t count)
{
    const std::size_t got = takeFront(buffer, count);
    log_.push_back("read " + std::to_string(count) + " -> " + std::to_string(got));
    return got;
}

std::size_t FakeSerialPort::readAvailable(std::uint8_t* buffer, std::size_t count)
{
    const std::size_t got = takeFront(buffer, count);
    log_.push_back("readAvailable " + std::to_string(count) + " -> " + std::to_string(got));
    return got;
}

std::size_t FakeSerialPort::write(const std::uint8_t* data, std::size_t count)
{
    Bytes request(data, data + count);
    log_.push_back("write " + hexBytes(request));
    writes.push_back(request);
    Pieces reply;
    if (!scripted_.empty()) {
        reply = std::move(scripted_.front());
        scripted_.pop_front();
    } else if (responder) {
        reply = responder(request);
    }
    arrive(std::move(reply));
    return count;
}

void FakeSerialPort::arrive(Pieces pieces)
{
    for (auto& piece : pieces)
        arrived_.push_back(std::move(piece));
}

void FakeSerialPort::purgeRx()
{
    log_.push_back("purge");
    arrived_.clear();
}

} // namespace korvel::test
