#include "sim/RequestLog.h"

#include <cerrno>
#include <cstring>

namespace korvel::sim {

RequestLog::~RequestLog()
{
    close();
}

bool RequestLog::open(const std::string& path, std::string* error)
{
    close();
    file_ = std::fopen(path.c_str(), "w");
    if (!file_ && error)
        *error = "cannot open log " + path + ": " + std::strerror(errno);
    return file_ != nullptr;
}

void RequestLog::close()
{
    if (file_)
        std::fclose(file_);
    file_ = nullptr;
}

std::string RequestLog::formatLine(double tSec, const std::vector<std::uint8_t>& bytes,
                                   bool crcValid)
{
    char head[32];
    std::snprintf(head, sizeof head, "%.6f", tSec);
    std::string line = head;
    for (std::uint8_t b : bytes) {
        char hex[4];
        std::snprintf(hex, sizeof hex, " %02X", b);
        line += hex;
    }
    line += crcValid ? " crc=ok" : " crc=bad";
    return line;
}

void RequestLog::note(double tSec, const std::string& text)
{
    if (!file_)
        return;
    std::fprintf(file_, "%.6f # %s\n", tSec, text.c_str());
    std::fflush(file_);
}

void RequestLog::write(double tSec, const std::vector<std::uint8_t>& bytes, bool crcValid)
{
    if (!file_)
        return;
    const std::string line = formatLine(tSec, bytes, crcValid);
    std::fprintf(file_, "%s\n", line.c_str());
    std::fflush(file_);
}

} // namespace korvel::sim
