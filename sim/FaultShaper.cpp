#include "sim/FaultShaper.h"

#include <algorithm>

#include "link/DeviceMap.h"

namespace korvel::sim {

void FaultShaper::setFaults(const SimFaults& faults)
{
    faults_ = faults;
    replies_ = frames_ = bytes_ = memoryWrites_ = lostWrites_ = 0;
}

void FaultShaper::drop(std::vector<std::uint8_t>& bytes)
{
    if (faults_.dropEveryN <= 0) {
        bytes_ += static_cast<long>(bytes.size());
        return;
    }
    std::vector<std::uint8_t> kept;
    kept.reserve(bytes.size());
    for (std::uint8_t b : bytes)
        if (++bytes_ % faults_.dropEveryN != 0)
            kept.push_back(b);
    bytes.swap(kept);
}

std::vector<Piece> FaultShaper::shapeReply(std::vector<std::uint8_t> reply)
{
    if (faults_.silent || reply.empty())
        return {};
    ++replies_;
    // The last byte is the CRC of a read reply or the echoed CRC of an acknowledgement.
    if (faults_.corruptEveryN > 0 && replies_ % faults_.corruptEveryN == 0)
        reply.back() ^= 0xFF;
    drop(reply);

    std::vector<Piece> pieces;
    const int n = std::clamp(faults_.splitPieces, 1, std::max<int>(1, int(reply.size())));
    std::size_t start = 0;
    for (int i = 0; i < n; ++i) {
        const std::size_t end = reply.size() * static_cast<std::size_t>(i + 1) / n;
        Piece p;
        p.bytes.assign(reply.begin() + static_cast<long>(start),
                       reply.begin() + static_cast<long>(end));
        p.pauseBeforeMs = i == 0 ? faults_.replyDelayMs : faults_.splitPauseMs;
        pieces.push_back(std::move(p));
        start = end;
    }
    return pieces;
}

bool FaultShaper::refuses(const std::uint8_t request[4], int selectedPage) const
{
    if (request[0] & ACCESS_REG_READ)
        return false;
    if (request[0] & ACCESS_MEM_WRITE)
        return selectedPage == faults_.failWritePage && request[1] == faults_.failWriteOffset;
    return request[1] == REG_PAGE && request[2] == faults_.failPageSelect;
}

bool FaultShaper::cuts(const std::uint8_t request[4])
{
    if ((request[0] & ACCESS_REG_READ) || !(request[0] & ACCESS_MEM_WRITE))
        return false;
    ++memoryWrites_;
    return faults_.cutWriteAfter >= 0 && memoryWrites_ == faults_.cutWriteAfter + 1;
}

bool FaultShaper::loses(const std::uint8_t request[4], int selectedPage)
{
    if ((request[0] & ACCESS_REG_READ) || !(request[0] & ACCESS_MEM_WRITE))
        return false;
    if (selectedPage != faults_.loseWritePage || request[1] != faults_.loseWriteOffset)
        return false;
    if (faults_.loseWriteTimes >= 0 && lostWrites_ >= faults_.loseWriteTimes)
        return false;
    ++lostWrites_;
    return true;
}

bool FaultShaper::spoilsRead(const std::uint8_t request[4]) const
{
    if ((request[0] & ACCESS_MEM_READ) != ACCESS_MEM_READ)
        return false;
    return faults_.failReadsAfterWrites >= 0 && memoryWrites_ >= faults_.failReadsAfterWrites;
}

std::vector<Piece> FaultShaper::shapeFrame(std::vector<std::uint8_t> frame)
{
    if (faults_.silent)
        return {};
    ++frames_;
    if (faults_.garbageEveryNFrames > 0 && frames_ % faults_.garbageEveryNFrames == 0) {
        std::uniform_int_distribution<int> len(1, 5), byte(0, 255);
        std::vector<std::uint8_t> garbage(static_cast<std::size_t>(len(rng_)));
        for (auto& b : garbage)
            b = static_cast<std::uint8_t>(byte(rng_));
        frame.insert(frame.begin(), garbage.begin(), garbage.end());
    }
    drop(frame);
    return {Piece{std::move(frame), 0}};
}

} // namespace korvel::sim
