#pragma once
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

namespace korvel {

// The time texts of points that carry their own (data from a file): the time axis labels a
// position with the text of the point there. Copies share one table. The texts are kept end to
// end in one string: a file of a million points holds a million of them, and a string each
// would take three times the room.
class PointTimeTexts
{
public:
    PointTimeTexts() = default;
    // Pairs of X and text, in any order.
    explicit PointTimeTexts(std::vector<std::pair<double, QString>> entries);
    // The X of each point and its text, in the same order (any order of X).
    PointTimeTexts(const std::vector<double>& xs, const QStringList& texts);

    bool empty() const { return !table_ || table_->xs.empty(); }
    // The text of the point at x; empty when no point lies there.
    QString at(double x) const;

private:
    struct Table
    {
        std::vector<double> xs;     // ascending
        std::vector<qsizetype> ends; // where the text of point i ends in `texts`
        QString texts;
    };
    std::shared_ptr<const Table> table_;
};

} // namespace korvel
