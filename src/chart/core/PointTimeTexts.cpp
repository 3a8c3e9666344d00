#include "chart/core/PointTimeTexts.h"

#include <algorithm>
#include <numeric>

namespace korvel {

PointTimeTexts::PointTimeTexts(std::vector<std::pair<double, QString>> entries)
{
    std::vector<double> xs;
    QStringList texts;
    xs.reserve(entries.size());
    texts.reserve(qsizetype(entries.size()));
    for (auto& [x, text] : entries) {
        xs.push_back(x);
        texts.push_back(std::move(text));
    }
    *this = PointTimeTexts(xs, texts);
}

PointTimeTexts::PointTimeTexts(const std::vector<double>& xs, const QStringList& texts)
{
    const std::size_t n = std::min(xs.size(), std::size_t(texts.size()));
    auto table = std::make_shared<Table>();
    // A file's points come in order; only others are put in order (equal X keep theirs).
    std::vector<std::size_t> order;
    const bool sorted = std::is_sorted(xs.begin(), xs.begin() + std::ptrdiff_t(n));
    if (!sorted) {
        order.resize(n);
        std::iota(order.begin(), order.end(), std::size_t(0));
        std::stable_sort(order.begin(), order.end(),
                         [&](std::size_t a, std::size_t b) { return xs[a] < xs[b]; });
    }
    qsizetype length = 0;
    for (std::size_t i = 0; i < n; ++i)
        length += texts[qsizetype(i)].size();
    table->xs.reserve(n);
    table->ends.reserve(n);
    table->texts.reserve(length);
    for (std::size_t k = 0; k < n; ++k) {
        const std::size_t i = sorted ? k : order[k];
        table->xs.push_back(xs[i]);
        table->texts += texts[qsizetype(i)];
        table->ends.push_back(table->texts.size());
    }
    table_ = std::move(table);
}

QString PointTimeTexts::at(double x) const
{
    if (empty())
        return {};
    const std::vector<double>& xs = table_->xs;
    const auto it = std::lower_bound(xs.begin(), xs.end(), x);
    if (it == xs.end() || *it != x)
        return {};
    const std::size_t i = std::size_t(it - xs.begin());
    const qsizetype begin = i == 0 ? 0 : table_->ends[i - 1];
    return table_->texts.mid(begin, table_->ends[i] - begin);
}

} // namespace korvel
