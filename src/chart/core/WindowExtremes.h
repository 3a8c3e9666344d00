#pragma once
#include <cstdint>
#include <deque>

namespace korvel {

// The least and greatest of a sliding window of values (appended at the back, dropped from the
// front) in O(1) amortised per value: two monotonic queues instead of a scan of the window,
// which at a 99 s window holds more than ten thousand points.
class WindowExtremes
{
public:
    void push(double value);
    // Drops the oldest value of the window (nothing when it is empty).
    void popFront();
    void clear();

    bool empty() const { return size() == 0; }
    std::int64_t size() const { return pushed_ - popped_; }
    // Only while not empty.
    double min() const { return mins_.front().value; }
    double max() const { return maxs_.front().value; }

private:
    struct Entry
    {
        std::int64_t index;
        double value;
    };
    std::deque<Entry> mins_; // values rising from the front
    std::deque<Entry> maxs_; // values falling from the front
    std::int64_t pushed_ = 0;
    std::int64_t popped_ = 0;
};

} // namespace korvel
