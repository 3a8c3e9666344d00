#pragma once
// Which bytes of a memory area a write has to send, and which ones the indicator does not
// hold as the image says once it has been sent.
#include "memory/MemoryArea.h"

#include <cstdint>
#include <vector>

namespace korvel {

// One byte of an area: where it is (absolute page, offset), what the image wants there and
// what the indicator was found to hold.
struct ByteDiff
{
    int page = 0;
    int offset = 0;
    std::uint8_t wanted = 0;
    std::uint8_t found = 0;
    bool operator==(const ByteDiff&) const = default;
};

// The bytes to write, in page and offset order: those of `area` where `image` differs from
// `current` (the area's content as read before the write), or every byte when `all` is set.
// Both buffers hold the area's bytes, its first page first.
std::vector<ByteDiff> BytesToWrite(const MemoryArea& area, const std::vector<std::uint8_t>& image,
                                   const std::vector<std::uint8_t>& current, bool all);

// The bytes of the given pages (absolute numbers, ascending) where `readBack` differs from
// `image`; both hold the whole area.
std::vector<ByteDiff> Mismatches(const MemoryArea& area, const std::vector<int>& pages,
                                 const std::vector<std::uint8_t>& image,
                                 const std::vector<std::uint8_t>& readBack);

// The pages the bytes lie in, ascending, each once.
std::vector<int> PagesOf(const std::vector<ByteDiff>& bytes);

} // namespace korvel
