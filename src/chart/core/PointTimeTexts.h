#pragma once
#include <QString>
#include <memory>
#include <vector>

namespace korvel {

// The time texts of points that carry their own (data from a file): the time axis labels a
// position with the text of the point there. Copies share one table.
class PointTimeTexts
{
public:
    PointTimeTexts() = default;
    // Pairs of X and text, in any order.
    explicit PointTimeTexts(std::vector<std::pair<double, QString>> entries);

    bool empty() const { return !entries_ || entries_->empty(); }
    // The text of the point at x; empty when no point lies there.
    QString at(double x) const;

private:
    std::shared_ptr<const std::vector<std::pair<double, QString>>> entries_;
};

} // namespace korvel
