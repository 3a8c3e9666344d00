#pragma once
#include "link/SerialPort.h"

#include <cstddef>
#include <string>
#include <optional>
#include <vector>

namespace korvel {

class Link;

// An indicator that answered the identification read.
struct FoundIndicator
{
    std::string port;
    int baud = 0;
    int address = 0;
    int model = 0;
    std::string serial; // as the version label shows it: two, two and three digits

    bool operator==(const FoundIndicator&) const = default;
};

// A port of the list that would not open; the search went on without it.
struct UnopenedPort
{
    std::string port;
    PortOpenResult result;
};

// Looks for indicators: for each port, each line speed (ProbePlan::baudOrder) and each address
// (ProbePlan::addressOrder), one identification read. Once one answers at a speed, every
// address is tried at that speed and the port's other speeds are skipped. Only reads are
// sent, so nothing on the line can be changed by a search.
//
// Driven one probe at a time (step), so a caller on the GUI thread can show progress and
// stop between probes. The port is left closed at the end; reopening it with the configured
// settings is the caller's.
class IndicatorSearch
{
public:
    IndicatorSearch(SerialPort& port, Link& link, std::vector<std::string> ports,
                    int configuredBaud, int configuredAddress);

    // Opens the port at the next speed when needed and sends one probe. False once there is
    // nothing left to do (the port is then closed).
    bool step();
    // Stops at once: the port is closed, finished() turns true.
    void cancel();
    bool finished() const { return portIndex_ >= ports_.size(); }

    // What the next step tries (meaningless once finished).
    const std::string& currentPort() const;
    int currentBaud() const;
    int currentAddress() const;

    const std::vector<FoundIndicator>& found() const { return found_; }
    const std::vector<UnopenedPort>& unopened() const { return unopened_; }
    // Progress: probes sent, and the most a search of these ports could send (skipped
    // speeds count as done).
    int probesDone() const { return done_; }
    int probesTotal() const { return total_; }

private:
    void nextSpeed();
    void nextPort();
    void closePort();

    SerialPort& port_;
    Link& link_;
    std::vector<std::string> ports_;
    std::vector<int> bauds_;
    std::vector<int> addresses_;
    std::size_t portIndex_ = 0, baudIndex_ = 0, addressIndex_ = 0;
    bool open_ = false;
    bool answeredAtThisSpeed_ = false;
    // This port opened at some rate, and the last rate it refused (it opens, but the line
    // cannot be set to that speed), for the note if it refuses them all.
    bool openedAtSomeRate_ = false;
    std::optional<PortOpenResult> rateRefused_;
    int done_ = 0, total_ = 0;
    std::vector<FoundIndicator> found_;
    std::vector<UnopenedPort> unopened_;
};

} // namespace korvel
