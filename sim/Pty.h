#pragma once
#include <string>

namespace korvel::sim {

// A pseudo-terminal pair in raw mode. The slave side stays open here too, so the master
// never sees a hang-up while a client closes and reopens the slave.
class Pty
{
public:
    Pty() = default;
    ~Pty();
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    bool open(std::string* error);
    void close();

    int master() const { return master_; }
    const std::string& slavePath() const { return slavePath_; }
    // The line speed the client last set on the terminal (bit/s), 0 when closed or unknown.
    int lineSpeed() const;

private:
    int master_ = -1;
    int slave_ = -1;
    std::string slavePath_;
};

} // namespace korvel::sim
