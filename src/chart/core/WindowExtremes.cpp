#include "chart/core/WindowExtremes.h"

namespace korvel {

void WindowExtremes::push(double value)
{
    const Entry e{pushed_++, value};
    // A value that is no longer the least (or greatest) of any window that still holds the
    // new one can never be reported again.
    while (!mins_.empty() && mins_.back().value >= value)
        mins_.pop_back();
    mins_.push_back(e);
    while (!maxs_.empty() && maxs_.back().value <= value)
        maxs_.pop_back();
    maxs_.push_back(e);
}

void WindowExtremes::popFront()
{
    if (empty())
        return;
    const std::int64_t oldest = popped_++;
    if (!mins_.empty() && mins_.front().index == oldest)
        mins_.pop_front();
    if (!maxs_.empty() && maxs_.front().index == oldest)
        maxs_.pop_front();
}

void WindowExtremes::clear()
{
    mins_.clear();
    maxs_.clear();
    pushed_ = popped_ = 0;
}

} // namespace korvel
