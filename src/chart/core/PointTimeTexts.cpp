#include "chart/core/PointTimeTexts.h"

#include <algorithm>

namespace korvel {

PointTimeTexts::PointTimeTexts(std::vector<std::pair<double, QString>> entries)
{
    const auto byX = [](const auto& a, const auto& b) { return a.first < b.first; };
    // A file's points come in order; sorting them anyway would cost a long file a quarter second.
    if (!std::is_sorted(entries.begin(), entries.end(), byX))
        std::stable_sort(entries.begin(), entries.end(), byX);
    entries_ = std::make_shared<const std::vector<std::pair<double, QString>>>(std::move(entries));
}

QString PointTimeTexts::at(double x) const
{
    if (empty())
        return {};
    const auto it = std::lower_bound(entries_->begin(), entries_->end(), x,
                                     [](const auto& e, double v) { return e.first < v; });
    if (it == entries_->end() || it->first != x)
        return {};
    return it->second;
}

} // namespace korvel
