#pragma once
// Fakes for the chart's tests: an indicator behind the SerialPort interface on virtual time
// (filter registers, the two memory bytes, acknowledged writes, stream frames on demand, and
// failures on request), and a sink that records what the chart drew.
#include "chart/core/ChartSink.h"
#include "link/Crc8.h"
#include "link/DeviceMap.h"
#include "support/QueuedPort.h"
#include "support/VirtualClock.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <vector>

namespace korvel::test {

class ChartIndicator : public QueuedPort
{
public:
    struct Request
    {
        std::uint8_t first, reg, value;
        long atMs; // virtual time at which it was sent
        bool operator==(const Request&) const = default;
    };

    explicit ChartIndicator(VirtualClock& clock) : clock_(clock) {}

    std::array<std::uint8_t, 3> filters{2, 3, 10}; // registers 240..242
    std::map<int, std::uint8_t> memory{{MEM_DECIMALS, 2}, {MEM_DISCRETENESS, 5}};
    bool filterReadFails = false;
    std::set<int> memoryReadFails;           // offsets that are never answered
    std::map<int, int> writeFailures;        // register -> writes left unanswered
    std::vector<std::uint8_t> streamOnStart; // queued after the start command's ack
    bool setTimeoutFails = false;

    std::vector<Request> requests;
    std::vector<int> timeoutsSet;
    int purges = 0;
    int timeout = 200;

    std::vector<Request> writes() const
    {
        std::vector<Request> out;
        for (const Request& r : requests)
            if (!(r.first & ACCESS_REG_READ))
                out.push_back(r);
        return out;
    }
    std::vector<std::pair<int, int>> writtenValues() const
    {
        std::vector<std::pair<int, int>> out;
        for (const Request& r : writes())
            out.emplace_back(r.reg, r.value);
        return out;
    }

    static std::vector<std::uint8_t> frame(std::int32_t count, std::uint8_t inputs,
                                           std::uint8_t address = 1)
    {
        const auto u = static_cast<std::uint32_t>(count);
        std::vector<std::uint8_t> f{
            static_cast<std::uint8_t>(address | 0x80),   3,
            static_cast<std::uint8_t>(u & 0xFF),         static_cast<std::uint8_t>((u >> 8) & 0xFF),
            static_cast<std::uint8_t>((u >> 16) & 0xFF), inputs};
        f.push_back(Crc8(f.data(), f.size()));
        return f;
    }
    void arrive(const std::vector<std::uint8_t>& bytes) { queue(bytes); }

    void purgeRx() override
    {
        ++purges;
        QueuedPort::purgeRx();
    }
    bool setReadTimeout(int ms) override
    {
        timeoutsSet.push_back(ms);
        if (setTimeoutFails)
            return false;
        timeout = ms;
        return true;
    }
    int readTimeoutMs() const override { return timeout; }

    std::size_t write(const std::uint8_t* data, std::size_t count) override
    {
        if (count != 4)
            return count;
        const auto now =
            std::chrono::duration_cast<std::chrono::milliseconds>(clock_.now().time_since_epoch())
                .count();
        requests.push_back({data[0], data[1], data[2], long(now)});
        const bool read = data[0] & ACCESS_REG_READ;
        const bool memoryAccess = data[0] & ACCESS_MEM_WRITE;
        if (!read) {
            if (auto it = writeFailures.find(data[1]);
                it != writeFailures.end() && it->second > 0) {
                --it->second;
                return count;
            }
            if (!memoryAccess && data[1] >= REG_FILTER1 && data[1] <= REG_STAB_BAND)
                filters[std::size_t(data[1] - REG_FILTER1)] = data[2];
            queue({static_cast<std::uint8_t>(data[0] & ACCESS_ADDRESS_MASK), data[3]});
            if (!memoryAccess && data[1] == REG_COMMAND && data[2] == CMD_STREAM_START)
                queue(streamOnStart);
            return count;
        }
        const int n = data[2] + 1;
        if (memoryAccess) {
            if (memoryReadFails.count(data[1]))
                return count;
            std::vector<std::uint8_t> bytes(std::size_t(n), 0);
            for (int i = 0; i < n; ++i)
                if (auto it = memory.find(data[1] + i); it != memory.end())
                    bytes[std::size_t(i)] = it->second;
            queueReadReply(data[0], bytes.data(), n);
        } else if (data[1] == REG_FILTER1 && n == 3 && !filterReadFails) {
            queueReadReply(data[0], filters.data(), 3);
        }
        return count;
    }

private:
    VirtualClock& clock_;
};

// What the chart handed to its sink, in a form tests can compare.
class RecordingSink : public ChartSink
{
public:
    struct Point
    {
        double x, y;
        // Weights are counts times a scale of repeated tenths, exact only to rounding.
        bool operator==(const Point& o) const
        {
            return x == o.x && std::abs(y - o.y) <= 1e-12 * std::max(1.0, std::abs(o.y));
        }
        friend void PrintTo(const Point& p, std::ostream* os)
        {
            *os << "(" << p.x << ", " << p.y << ")";
        }
    };
    std::vector<Point> weight;
    std::array<std::vector<std::pair<double, bool>>, 5> inputs;
    double valueMin = 0, valueMax = 0, keyMin = 0, keyMax = 0, secondsPerPoint = 0;
    int labelDecimals = 0;
    bool keyAutomatic = false;
    int keyRangeChanges = 0;

    void clearSeries() override
    {
        weight.clear();
        for (auto& i : inputs)
            i.clear();
    }
    void addWeightPoint(double x, double y) override { weight.push_back({x, y}); }
    void addInputPoint(int input, double x, bool on) override
    {
        inputs[std::size_t(input - 1)].emplace_back(x, on);
    }
    void dropBefore(double x) override
    {
        std::erase_if(weight, [x](const Point& p) { return p.x < x; });
        for (auto& i : inputs)
            std::erase_if(i, [x](const auto& p) { return p.first < x; });
    }
    void setValueRange(double min, double max) override
    {
        valueMin = min;
        valueMax = max;
    }
    void setKeyRange(double min, double max) override
    {
        keyMin = min;
        keyMax = max;
        ++keyRangeChanges;
    }
    void setKeyAutomatic(bool automatic) override { keyAutomatic = automatic; }
    void setSecondsPerPoint(double seconds) override { secondsPerPoint = seconds; }
    void setTimeLabelDecimals(int decimals) override { labelDecimals = decimals; }
};

} // namespace korvel::test
