#include "memory/ImageDiff.h"

#include "link/DeviceMap.h"

#include <algorithm>

namespace korvel {

std::vector<ByteDiff> BytesToWrite(const MemoryArea& area, const std::vector<std::uint8_t>& image,
                                   const std::vector<std::uint8_t>& current, bool all)
{
    std::vector<ByteDiff> out;
    const auto n = static_cast<std::size_t>(area.bytes());
    for (std::size_t i = 0; i < n && i < image.size(); ++i) {
        const std::uint8_t found = i < current.size() ? current[i] : 0;
        if (all || i >= current.size() || image[i] != found)
            out.push_back({area.firstPage + static_cast<int>(i / MEM_PAGE_SIZE),
                           static_cast<int>(i % MEM_PAGE_SIZE), image[i], found});
    }
    return out;
}

std::vector<ByteDiff> Mismatches(const MemoryArea& area, const std::vector<int>& pages,
                                 const std::vector<std::uint8_t>& image,
                                 const std::vector<std::uint8_t>& readBack)
{
    std::vector<ByteDiff> out;
    for (const int page : pages) {
        const auto start = static_cast<std::size_t>(page - area.firstPage) * MEM_PAGE_SIZE;
        for (int offset = 0; offset < MEM_PAGE_SIZE; ++offset) {
            const std::size_t i = start + static_cast<std::size_t>(offset);
            if (i >= image.size() || i >= readBack.size())
                return out;
            if (image[i] != readBack[i])
                out.push_back({page, offset, image[i], readBack[i]});
        }
    }
    return out;
}

std::vector<int> PagesOf(const std::vector<ByteDiff>& bytes)
{
    std::vector<int> pages;
    for (const ByteDiff& b : bytes)
        if (pages.empty() || pages.back() != b.page)
            pages.push_back(b.page);
    std::sort(pages.begin(), pages.end());
    pages.erase(std::unique(pages.begin(), pages.end()), pages.end());
    return pages;
}

} // namespace korvel
