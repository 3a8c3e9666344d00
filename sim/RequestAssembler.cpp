#include "sim/RequestAssembler.h"

#include "link/Crc8.h"

namespace korvel::sim {

void RequestAssembler::giveUp(std::vector<ReceivedBytes>& out)
{
    if (window_.empty() && skipped_.empty())
        return;
    ReceivedBytes r;
    r.bytes = skipped_;
    r.bytes.insert(r.bytes.end(), window_.begin(), window_.end());
    out.push_back(std::move(r));
    skipped_.clear();
    window_.clear();
}

std::vector<ReceivedBytes> RequestAssembler::feed(const std::uint8_t* data, std::size_t count,
                                                  double t)
{
    std::vector<ReceivedBytes> out;
    if (count == 0)
        return out;
    if (!window_.empty() && t - last_ >= gap_)
        giveUp(out);
    last_ = t;
    for (std::size_t i = 0; i < count; ++i) {
        if (window_.size() == REQUEST_SIZE) {
            skipped_.push_back(window_.front());
            window_.erase(window_.begin());
        }
        window_.push_back(data[i]);
        if (window_.size() == REQUEST_SIZE &&
            Crc8(window_.data(), REQUEST_SIZE - 1) == window_[REQUEST_SIZE - 1]) {
            if (!skipped_.empty()) {
                out.push_back(ReceivedBytes{skipped_, false});
                skipped_.clear();
            }
            out.push_back(ReceivedBytes{window_, true});
            window_.clear();
        }
    }
    return out;
}

std::vector<ReceivedBytes> RequestAssembler::expire(double t)
{
    std::vector<ReceivedBytes> out;
    if (!window_.empty() && t - last_ >= gap_)
        giveUp(out);
    return out;
}

std::optional<double> RequestAssembler::deadline() const
{
    if (window_.empty())
        return std::nullopt;
    return last_ + gap_;
}

} // namespace korvel::sim
