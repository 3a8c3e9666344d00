#pragma once
#include <cstdint>
#include <optional>

namespace korvel {

// The arithmetic of a chart run: how many samples fill the window, how far the fixed time axis
// jumps, how many seconds lie between two points, and how a raw count becomes a weight.
// Filter 1 makes the indicator average 2^F ADC periods into one sample (2 x F in checkweigher
// mode), so the sample rate falls with it.

// Halves away from zero, as the window sizes are rounded.
int roundHalfAway(double value);

// ADC periods per plotted point for the Filter1 control's value.
int PeriodsPerPoint(int filter1Control, bool checkweigher);

// Points that fill a window of `timeOnGraph` seconds at one sample per `periodMs`, reduced for
// the filter (shifted right by the applied Filter1, or divided by 2 x F of the control in
// checkweigher mode); never below 3.
int WindowPointsFor(int timeOnGraph, double periodMs, int appliedFilter1, int filter1Control,
                    bool checkweigher);

struct RunTiming
{
    int samplesPerSecond = 0;
    int windowPoints = 3;
    int scrollStep = 1;
    double secondsPerPoint = 0.0;
};

// What a start computes from the period, the time window and the two Filter1 values.
RunTiming RunTimingFor(double periodMs, int timeOnGraph, int appliedFilter1, int filter1Control,
                       bool checkweigher);

// The time window the slow filters need: with Filter1 at 6 a window under 4 s becomes 4, at 7
// one under 7 s becomes 7 (not in checkweigher mode). Returns the window to use.
int SlowFilterTimeWindow(int filter1Control, int timeOnGraph, bool checkweigher);

// How counts become weights and how much room the weight axis leaves, from the indicator's
// decimals and discreteness (each absent when its read failed).
struct WeightScaling
{
    int decimalCount = 1;
    double weightScale = 0.1;
    double axisMargin = 1.0;
    // One scale division (the display's step) in weight units; 0 when the discreteness is not
    // known. The stream carries one decimal more than the display, so a division is the
    // discreteness in units of the display's last digit: the axis margin is ten of them.
    double division = 0.0;
};
WeightScaling WeightScalingFor(std::optional<std::uint8_t> decimals,
                               std::optional<std::uint8_t> discreteness);

// Bytes 0..2 of a stream sample: a 24-bit two's-complement count, least significant byte first.
std::int32_t DecodeWeightCount(const std::uint8_t* data);

} // namespace korvel
