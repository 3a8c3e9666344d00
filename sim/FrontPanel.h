#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace korvel::sim {

class WeighingProcess;

// The sixteen keys of the front panel.
enum class Key { D0, D1, D2, D3, D4, D5, D6, D7, D8, D9, F, T, Print, C, E, Zero };

// One entry of the parameter menu: P-<number>, with the value range it accepts.
struct MenuParameter
{
    int number = 0;
    int min = 0;
    int max = 0;
    std::function<int()> get;
    std::function<void(int)> set;
};

// The keypad and the two display rows. Weighing: row 1 net weight, row 2 the tare ("t")
// while one is set, else the gross ("br"). T tares, _0_ zeroes, Print shows "Print".
// F or a digit opens the parameter menu: row 1 names the parameter (P-01), row 2 shows its
// value, or the digits typed so far followed by a cursor; E stores what was typed (Err when
// out of range), F goes to the next parameter, C leaves the menu.
class FrontPanel
{
public:
    static constexpr int ROW1 = 6;
    static constexpr int ROW2 = 9;

    FrontPanel(WeighingProcess& process, std::vector<MenuParameter> parameters);

    void press(Key key, double t);

    bool inMenu() const { return inMenu_; }
    int menuParameter() const;
    const std::string& entry() const { return entry_; }
    int keyPresses() const { return keyPresses_; }

    // The rows as text; a '.' lights the point of the digit before it.
    std::string row1Text(int decimals) const;
    std::string row2Text(int decimals, double t) const;
    // Segment codes of row 1 then row 2 (display register bytes d1..d15).
    std::array<std::uint8_t, ROW1 + ROW2> segments(int decimals, double t) const;

    // counts with `decimals` digits after the point, or "" when it needs more than `digits`.
    static std::string formatCounts(int counts, int decimals, int digits);

private:
    void showMessage(const std::string& text, double t);

    WeighingProcess& process_;
    std::vector<MenuParameter> parameters_;
    bool inMenu_ = false;
    std::size_t current_ = 0;
    std::string entry_;
    std::string message_;
    double messageUntil_ = 0.0;
    int keyPresses_ = 0;
};

} // namespace korvel::sim
