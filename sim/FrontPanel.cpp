#include "sim/FrontPanel.h"

#include <cstdio>
#include <cstdlib>

#include "sim/SegmentFont.h"
#include "sim/WeighingProcess.h"

namespace korvel::sim {

namespace {

constexpr double MESSAGE_SECONDS = 1.5;
constexpr std::size_t ENTRY_DIGITS = 5;

std::string padLeft(const std::string& left, const std::string& right, int width)
{
    // Digits counted without the points they carry.
    auto cells = [](const std::string& s) {
        int n = 0;
        for (char c : s)
            n += c != '.';
        return n;
    };
    const int gap = width - cells(left) - cells(right);
    if (gap < 0)
        return right;
    return left + std::string(static_cast<std::size_t>(gap), ' ') + right;
}

} // namespace

FrontPanel::FrontPanel(WeighingProcess& process, std::vector<MenuParameter> parameters)
    : process_(process), parameters_(std::move(parameters))
{
}

int FrontPanel::menuParameter() const
{
    return inMenu_ && !parameters_.empty() ? parameters_[current_].number : 0;
}

void FrontPanel::showMessage(const std::string& text, double t)
{
    message_ = text;
    messageUntil_ = t + MESSAGE_SECONDS;
}

void FrontPanel::press(Key key, double t)
{
    ++keyPresses_;
    const bool digit = key <= Key::D9;
    if (!inMenu_) {
        if ((digit || key == Key::F) && !parameters_.empty()) {
            inMenu_ = true;
            current_ = 0;
            entry_.clear();
            message_.clear();
            if (digit)
                entry_ = std::string(1, static_cast<char>('0' + static_cast<int>(key)));
        } else if (key == Key::T) {
            process_.toggleTare();
        } else if (key == Key::Zero) {
            process_.zero();
        } else if (key == Key::Print) {
            showMessage("Print", t);
        } else if (key == Key::C) {
            message_.clear();
        }
        return;
    }

    if (digit) {
        if (entry_.size() < ENTRY_DIGITS)
            entry_ += static_cast<char>('0' + static_cast<int>(key));
    } else if (key == Key::E) {
        if (!entry_.empty()) {
            const int value = std::atoi(entry_.c_str());
            const MenuParameter& p = parameters_[current_];
            if (value >= p.min && value <= p.max)
                p.set(value);
            else
                showMessage("Err", t);
            entry_.clear();
        }
    } else if (key == Key::F) {
        current_ = (current_ + 1) % parameters_.size();
        entry_.clear();
        message_.clear();
    } else if (key == Key::C) {
        inMenu_ = false;
        entry_.clear();
        message_.clear();
    }
}

std::string FrontPanel::formatCounts(int counts, int decimals, int digits)
{
    std::string s = std::to_string(std::abs(counts));
    if (static_cast<int>(s.size()) < decimals + 1)
        s.insert(0, static_cast<std::size_t>(decimals + 1) - s.size(), '0');
    if (counts < 0)
        s.insert(0, "-");
    if (static_cast<int>(s.size()) > digits)
        return {};
    if (decimals > 0)
        s.insert(s.size() - static_cast<std::size_t>(decimals), ".");
    return s;
}

std::string FrontPanel::row1Text(int decimals) const
{
    if (inMenu_) {
        char name[8];
        std::snprintf(name, sizeof name, "P-%02d", menuParameter() % 100);
        return padLeft("", name, ROW1);
    }
    const std::string w = formatCounts(process_.displayNet(), decimals, ROW1);
    return padLeft("", w.empty() ? "-oL-" : w, ROW1);
}

std::string FrontPanel::row2Text(int decimals, double t) const
{
    if (!message_.empty() && t < messageUntil_)
        return padLeft(message_, "", ROW2);
    if (inMenu_) {
        if (!entry_.empty())
            return padLeft("", entry_ + "_", ROW2);
        return padLeft("", std::to_string(parameters_[current_].get()), ROW2);
    }
    if (process_.tareActive())
        return padLeft("t", formatCounts(process_.displayTare(), decimals, ROW2 - 1), ROW2);
    const std::string g = formatCounts(process_.displayGross(), decimals, ROW2 - 2);
    return padLeft("br", g.empty() ? "-oL-" : g, ROW2);
}

std::array<std::uint8_t, FrontPanel::ROW1 + FrontPanel::ROW2> FrontPanel::segments(int decimals,
                                                                                   double t) const
{
    std::array<std::uint8_t, ROW1 + ROW2> out{};
    const auto r1 = SegmentFont::render(row1Text(decimals), ROW1);
    const auto r2 = SegmentFont::render(row2Text(decimals, t), ROW2);
    std::copy(r1.begin(), r1.end(), out.begin());
    std::copy(r2.begin(), r2.end(), out.begin() + ROW1);
    return out;
}

} // namespace korvel::sim
