#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace korvel::sim {

struct ReceivedBytes
{
    std::vector<std::uint8_t> bytes;
    bool crcValid = false; // a 4-byte request whose CRC matched; otherwise discarded bytes
};

// Cuts the incoming byte stream into 4-byte requests. A window whose CRC does not match
// slides on by one byte while more bytes follow at once; when the line goes quiet for the
// gap time the window is given up. Bytes given up come out as one invalid entry, so a
// request with a bad CRC is reported (and never answered) rather than lost.
class RequestAssembler
{
public:
    static constexpr std::size_t REQUEST_SIZE = 4;

    explicit RequestAssembler(double gapSec) : gap_(gapSec) {}

    std::vector<ReceivedBytes> feed(const std::uint8_t* data, std::size_t count, double t);
    // Gives up a window that stayed incomplete or wrong for the gap time.
    std::vector<ReceivedBytes> expire(double t);
    // When expire() has something to do, if anything.
    std::optional<double> deadline() const;

private:
    void giveUp(std::vector<ReceivedBytes>& out);

    double gap_;
    double last_ = 0.0;
    std::vector<std::uint8_t> window_;
    std::vector<std::uint8_t> skipped_;
};

} // namespace korvel::sim
