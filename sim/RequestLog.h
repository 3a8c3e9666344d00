#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace korvel::sim {

// The --log file: one line per request received, flushed at once so a test can read it
// while the simulator runs:  "<seconds> <hex bytes> crc=ok|bad". When a stream ends, a line
// "<seconds> # stream ended: N frames sent" follows.
class RequestLog
{
public:
    RequestLog() = default;
    ~RequestLog();
    RequestLog(const RequestLog&) = delete;
    RequestLog& operator=(const RequestLog&) = delete;

    bool open(const std::string& path, std::string* error);
    void close();
    void write(double tSec, const std::vector<std::uint8_t>& bytes, bool crcValid);
    // A line that is no request: "<seconds> # <text>".
    void note(double tSec, const std::string& text);

    static std::string formatLine(double tSec, const std::vector<std::uint8_t>& bytes,
                                  bool crcValid);

private:
    std::FILE* file_ = nullptr;
};

} // namespace korvel::sim
