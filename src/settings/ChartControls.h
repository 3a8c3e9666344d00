#pragma once
#include <QString>
#include <array>
#include <cstdint>

namespace korvel {

// The main window's chart controls that the settings feed, as plain values with the ranges of
// the controls: setting a value clamps it the way the spin box would. The chart widgets bind to
// this model; the settings store reads and writes only the model, never a widget.
class ChartControls
{
public:
    static constexpr int kTimeOnGraphMin = 1;
    static constexpr int kTimeOnGraphMax = 99;
    static constexpr int kFilter1Max = 7;
    static constexpr int kFilter1MaxCheckweigher = 15;
    static constexpr int kFilter2Max = 12;
    static constexpr int kStabBndMax = 255;

    // Colours (0x00BBGGRR) the five digital-input traces have before the settings are loaded.
    // Input 2 has no designed colour; it takes dark green (0x008000), the second colour of the
    // usual automatic chart palette, well apart from the blue, purple, lime and fuchsia of the
    // others and readable on a white chart.
    static constexpr std::array<std::uint32_t, 5> kDefaultDInputColors{16711680, 32768, 8388736,
                                                                       65280, 16711935};

    // CSpinEditTimeOnGraph: chart window in seconds.
    int timeOnGraph() const { return timeOnGraph_; }
    void setTimeOnGraph(int seconds);

    // CheckBoxChartBottomAxisAutomatic: smooth scrolling of the time axis.
    bool smoothScroll() const { return smoothScroll_; }
    void setSmoothScroll(bool on) { smoothScroll_ = on; }

    // edPeriodACP: the period field's text, kept exactly as typed.
    const QString& periodText() const { return periodText_; }
    void setPeriodText(const QString& text) { periodText_ = text; }

    // CSpinEditFilter1; its upper limit is raised to 15 in checkweigher mode. Lowering the limit
    // clamps the current value, as a spin box does.
    int filter1() const { return filter1_; }
    void setFilter1(int value);
    int filter1Maximum() const { return filter1Max_; }
    void setFilter1Maximum(int maximum);

    // CSpinEditFilter2 and CSpinEditStab_bnd.
    int filter2() const { return filter2_; }
    void setFilter2(int value);
    int stabBnd() const { return stabBnd_; }
    void setStabBnd(int value);

    // The weight trace: pen width in pixels and point markers.
    int weightPenWidth = 1;
    bool weightShowPoints = false;
    // The digital-input traces' colours (0x00BBGGRR), entry n-1 for input n.
    std::array<std::uint32_t, 5> dinputTraceColor = kDefaultDInputColors;

private:
    int timeOnGraph_ = 7;
    bool smoothScroll_ = false;
    QString periodText_;
    int filter1_ = 0;
    int filter1Max_ = kFilter1Max;
    int filter2_ = 0;
    int stabBnd_ = 0;
};

} // namespace korvel
