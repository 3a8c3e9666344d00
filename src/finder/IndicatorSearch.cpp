#include "finder/IndicatorSearch.h"

#include "finder/ProbePlan.h"
#include "link/DeviceMap.h"
#include "link/Link.h"

#include <cstdio>

namespace korvel {

IndicatorSearch::IndicatorSearch(SerialPort& port, Link& link, std::vector<std::string> ports,
                                 int configuredBaud, int configuredAddress)
    : port_(port), link_(link), ports_(std::move(ports)),
      bauds_(ProbePlan::baudOrder(configuredBaud)),
      addresses_(ProbePlan::addressOrder(configuredAddress))
{
    total_ = static_cast<int>(ports_.size() * bauds_.size() * addresses_.size());
}

const std::string& IndicatorSearch::currentPort() const
{
    static const std::string none;
    return finished() ? none : ports_[portIndex_];
}

int IndicatorSearch::currentBaud() const
{
    return finished() ? 0 : bauds_[baudIndex_];
}

int IndicatorSearch::currentAddress() const
{
    return finished() ? 0 : addresses_[addressIndex_];
}

bool IndicatorSearch::step()
{
    if (finished())
        return false;
    const int baud = bauds_[baudIndex_];
    if (!open_) {
        // Each speed gets a fresh open: the port sets line speed and read time-out there.
        if (port_.state() != PortState::NeverOpened)
            port_.close();
        const PortOpenResult r = port_.open(ports_[portIndex_], baud, ProbePlan::probeTimeoutMs(baud));
        if (r.status == PortOpenStatus::ConfigFailed) {
            // The port is there but will not take this speed (an adapter without it, or a
            // stored rate it does not know): only this rate is skipped.
            port_.close();
            rateRefused_ = r;
            done_ += static_cast<int>(addresses_.size());
            nextSpeed();
            return !finished();
        }
        if (r.status != PortOpenStatus::Ok) {
            rateRefused_.reset();
            unopened_.push_back({ports_[portIndex_], r});
            done_ += static_cast<int>(bauds_.size() * addresses_.size());
            nextPort();
            return !finished();
        }
        open_ = true;
        openedAtSomeRate_ = true;
    }

    const int address = addresses_[addressIndex_];
    std::uint8_t rx[IDENT_COUNT + 3] = {};
    if (link_.ProbeRead(static_cast<std::uint8_t>(address) | ACCESS_REG_READ, REG_IDENT, IDENT_COUNT,
                        rx)) {
        // Bytes i0..i3 after the two header bytes, shown as the version label shows them.
        char serial[16];
        std::snprintf(serial, sizeof serial, "%02u%02u%03u", unsigned(rx[4]), unsigned(rx[5]),
                      unsigned(rx[2]));
        found_.push_back({ports_[portIndex_], baud, address, int(rx[3]), serial});
        answeredAtThisSpeed_ = true;
    }
    ++done_;
    if (++addressIndex_ == addresses_.size()) {
        // Indicators on one bus share its speed: one that answered ends the port's search.
        if (answeredAtThisSpeed_) {
            done_ += static_cast<int>((bauds_.size() - baudIndex_ - 1) * addresses_.size());
            nextPort();
        } else {
            nextSpeed();
        }
    }
    return !finished();
}

void IndicatorSearch::cancel()
{
    closePort();
    portIndex_ = ports_.size();
}

void IndicatorSearch::nextSpeed()
{
    closePort();
    addressIndex_ = 0;
    if (++baudIndex_ == bauds_.size())
        nextPort();
}

void IndicatorSearch::nextPort()
{
    closePort();
    // A port that refused every rate is noted like one that does not open.
    if (rateRefused_ && !openedAtSomeRate_)
        unopened_.push_back({ports_[portIndex_], *rateRefused_});
    rateRefused_.reset();
    openedAtSomeRate_ = false;
    baudIndex_ = addressIndex_ = 0;
    answeredAtThisSpeed_ = false;
    ++portIndex_;
}

void IndicatorSearch::closePort()
{
    if (open_ || port_.state() == PortState::Failed)
        port_.close();
    open_ = false;
}

} // namespace korvel
