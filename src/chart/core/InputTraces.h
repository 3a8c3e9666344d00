#pragma once
#include <QString>
#include <array>
#include <cstdint>
#include <deque>

namespace korvel {

// The digital-input traces drawn inside the weight plot: input k toggles between a level a
// little above the bottom of the weight axis (off) and one a little below its top (on), each
// input inset a little more than the one before so that the traces do not cover one another.
inline constexpr int kInputCount = 5;
inline constexpr std::array<double, kInputCount> kInputInsets{0.045, 0.05, 0.055, 0.06, 0.065};
// The older chart file shows one trace with this inset.
inline constexpr double kSingleTraceInset = 0.05;

struct InputLevels
{
    double low = 0.0;  // input off
    double high = 0.0; // input on
};

// The levels of a trace with the given inset on a weight axis from axisMin to axisMax.
InputLevels InputLevelsFor(double inset, double axisMin, double axisMax);
// The levels of input k (1..5).
InputLevels InputLevelsOf(int input, double axisMin, double axisMax);

// Whether input k (1..5) is on in an input byte, or selected in a mask.
constexpr bool InputBit(std::uint8_t byte, int input)
{
    return (byte >> (input - 1)) & 1;
}

// The delay line of the input byte: the first Z samples of a run only fill it and are not
// plotted; from then on each sample is drawn with the byte received Z - 1 samples before it.
class InputDelayLine
{
public:
    static constexpr int kMaxDelay = 100;

    // z: samples of delay, 0..100 (others are clamped). A new line is made for each run.
    explicit InputDelayLine(int z = 0);

    int delay() const { return z_; }
    // True while the sample with this number only fills the line.
    bool filling(int sampleCounter) const { return sampleCounter < z_; }
    // A filling sample: stores its byte at its place in the line.
    void fill(int sampleCounter, std::uint8_t byte);
    // A sample after the filling: moves the line on by one and returns the byte to draw.
    std::uint8_t pass(std::uint8_t byte);

private:
    int z_ = 0;
    std::array<std::uint8_t, kMaxDelay> line_{};
};

// What the count-down label says while the delay line still waits for `left` samples.
QString DelayCountDownText(int left);

// DInputRecords: one input byte per weight point, in the order of the points; the chart file
// writes each as two lower-case hexadecimal digits.
class InputRecords
{
public:
    void append(std::uint8_t byte) { bytes_.push_back(byte); }
    void popFront()
    {
        if (!bytes_.empty())
            bytes_.pop_front();
    }
    void clear() { bytes_.clear(); }
    int size() const { return int(bytes_.size()); }
    bool empty() const { return bytes_.empty(); }
    std::uint8_t byte(int i) const { return bytes_[std::size_t(i)]; }
    // Record i as written: "%02x".
    QString text(int i) const;

private:
    std::deque<std::uint8_t> bytes_;
};

} // namespace korvel
