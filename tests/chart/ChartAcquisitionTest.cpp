// What one decoded stream sample does to the chart: points, axes, trimming, the input delay and the
// input traces and records.
#include "chart/core/ChartAcquisition.h"
#include "ChartFakes.h"

#include <QLocale>
#include <QStringList>
#include <gtest/gtest.h>

namespace korvel {
namespace {

using test::RecordingSink;

std::array<std::uint8_t, 4> sample(std::int32_t count, std::uint8_t inputs = 0)
{
    const auto u = static_cast<std::uint32_t>(count);
    return {std::uint8_t(u), std::uint8_t(u >> 8), std::uint8_t(u >> 16), inputs};
}

class Acquisition : public ::testing::Test
{
protected:
    void begin(int windowPoints, int scrollStep, std::uint8_t mask = 0, int delay = 0)
    {
        RunTiming t;
        t.windowPoints = windowPoints;
        t.scrollStep = scrollStep;
        t.secondsPerPoint = 0.0075;
        acq.setScaling(WeightScalingFor(2, 5)); // 0.001 per count, margin 0.5
        acq.clearSeries();
        const ChartRunSetup setup{t, mask, delay};
        acq.beginRun(setup);
        decoder.beginRun(acq.scaling(), setup);
    }
    // The sample the reception would hand on for this frame; whether it became a point.
    bool add(std::int32_t count, std::uint8_t inputs = 0)
    {
        const auto s = sample(count, inputs);
        const std::size_t before = sink.weight.size();
        acq.addSample(decoder.decode(s.data()));
        return sink.weight.size() > before;
    }

    RecordingSink sink;
    ChartAcquisition acq{sink};
    ChartSampleDecoder decoder;
};

TEST_F(Acquisition, PointsCarryTheSampleNumberAndTheScaledWeight)
{
    begin(100, 10);
    add(1500);
    add(-250);
    ASSERT_EQ(sink.weight.size(), 2u);
    EXPECT_EQ(sink.weight[0], (RecordingSink::Point{0, 1.5}));
    EXPECT_EQ(sink.weight[1], (RecordingSink::Point{1, -0.25}));
    EXPECT_EQ(acq.SampleCounter(), 2);
    // The weight axis: least and greatest weight with the margin around them.
    EXPECT_DOUBLE_EQ(sink.valueMin, -0.75);
    EXPECT_DOUBLE_EQ(sink.valueMax, 2.0);
    EXPECT_EQ(acq.pointLabel(3),
              QStringLiteral(" 0.0225 c ").replace('.', QLocale().decimalPoint()));
}

TEST_F(Acquisition, LabelDecimalsFollowTheShownDataAndARunTakesItsOwnBack)
{
    const auto local = [](QString text) { return text.replace('.', QLocale().decimalPoint()); };
    ChartAcquisition::ShownData burst;
    burst.points = {{0, 1.0}, {1, 2.0}};
    burst.secondsPerPoint = 0.0081234;
    burst.labelDecimals = 3;
    acq.showData(burst);
    EXPECT_EQ(sink.labelDecimals, 3);
    EXPECT_EQ(acq.pointLabel(1), local(" 0.008 c "));

    begin(100, 10);
    EXPECT_EQ(sink.labelDecimals, 5);
    EXPECT_EQ(acq.pointLabel(3), local(" 0.0225 c "));
}

TEST_F(Acquisition, FixedAxisJumpsByTheScrollStep)
{
    begin(100, 10);
    EXPECT_EQ(sink.keyMin, 0);
    EXPECT_EQ(sink.keyMax, 100);
    for (int i = 0; i < 100; ++i)
        add(i);
    EXPECT_EQ(sink.keyMax, 100) << "X 99 still fits";
    add(100); // X = 100 passes the right end
    EXPECT_EQ(sink.keyMin, 10);
    EXPECT_EQ(sink.keyMax, 110);
    EXPECT_EQ(acq.BottomAxisMin(), 10);
    EXPECT_EQ(acq.BottomAxisMax(), 110);
}

TEST_F(Acquisition, SmoothScrollingKeepsTheFixedRangeCurrent)
{
    begin(100, 10);
    acq.setKeyAutomatic(true);
    const int changes = sink.keyRangeChanges;
    for (int i = 0; i <= 100; ++i)
        add(i);
    EXPECT_EQ(sink.keyRangeChanges, changes) << "the following axis is not set";
    acq.setKeyAutomatic(false);
    EXPECT_EQ(sink.keyMin, 10);
    EXPECT_EQ(sink.keyMax, 110);
}

TEST_F(Acquisition, SeriesAreTrimmedToTheWindowAndTheAxisForgetsTrimmedPoints)
{
    begin(3, 1, 0x01);
    add(9000, 1); // the greatest weight, soon trimmed
    add(1000);
    add(2000);
    add(3000);
    EXPECT_EQ(sink.weight.size(), 3u);
    EXPECT_EQ(sink.weight.front().x, 1);
    EXPECT_EQ(acq.DInputRecords().size(), 3);
    EXPECT_EQ(sink.inputs[0].size(), 3u);
    // The axis of the fourth sample was fitted before its trim, so it still spans 9000.
    EXPECT_DOUBLE_EQ(sink.valueMax, 9.5);
    add(2500);
    EXPECT_DOUBLE_EQ(sink.valueMax, 3.5);
    EXPECT_DOUBLE_EQ(sink.valueMin, 0.5);
}

TEST_F(Acquisition, ReducingTheTimeWindowTrimsAtTheNextSample)
{
    begin(10, 5);
    for (int i = 0; i < 8; ++i)
        add(i);
    acq.setTimeWindow(4);
    EXPECT_EQ(sink.weight.size(), 8u) << "nothing trimmed until a sample comes";
    EXPECT_EQ(sink.keyMin, 6); // past the window: BottomAxisMax - WindowPoints
    EXPECT_EQ(sink.keyMax, 10);
    add(8);
    EXPECT_EQ(sink.weight.size(), 4u);
    EXPECT_EQ(sink.weight.front().x, 5);

    acq.setTimeWindow(50); // more than the samples taken: the axis starts at 0 again
    EXPECT_EQ(sink.keyMin, 0);
    EXPECT_EQ(sink.keyMax, 50);
}

TEST_F(Acquisition, InputTracesAndRecordsFollowTheMask)
{
    begin(100, 10, 0x05); // inputs 1 and 3
    add(10, 0xA5);
    add(20, 0x04);
    EXPECT_EQ(sink.inputs[0], (std::vector<std::pair<double, bool>>{{0, true}, {1, false}}));
    EXPECT_EQ(sink.inputs[2], (std::vector<std::pair<double, bool>>{{0, true}, {1, true}}));
    for (int k : {1, 3, 4})
        EXPECT_TRUE(sink.inputs[std::size_t(k)].empty()) << k + 1;
    ASSERT_EQ(acq.DInputRecords().size(), 2);
    EXPECT_EQ(acq.DInputRecords().text(0), "a5");
    EXPECT_EQ(acq.DInputRecords().text(1), "04");
}

TEST_F(Acquisition, MaskZeroDrawsNoTracesKeepsNoRecordsAndIgnoresTheDelay)
{
    std::vector<bool> labelShown;
    acq.onDelayLabel = [&](const QString&, bool visible) { labelShown.push_back(visible); };
    begin(100, 10, 0x00, 3);
    add(10, 0xFF);
    EXPECT_EQ(sink.weight.size(), 1u) << "no delay without a mask";
    EXPECT_EQ(sink.weight[0].x, 0);
    EXPECT_TRUE(acq.DInputRecords().empty());
    for (const auto& trace : sink.inputs)
        EXPECT_TRUE(trace.empty());
    EXPECT_TRUE(std::find(labelShown.begin(), labelShown.end(), true) == labelShown.end());
}

TEST_F(Acquisition, DelayOfThreeSkipsThreeSamplesAndDrawsTheByteFromTwoBefore)
{
    QStringList labels;
    std::vector<bool> shown;
    acq.onDelayLabel = [&](const QString& text, bool visible) {
        labels << text;
        shown.push_back(visible);
    };
    begin(100, 10, 0x1F, 3);
    EXPECT_FALSE(add(100, 0x10)); // sample 0
    EXPECT_FALSE(add(101, 0x11)); // sample 1
    EXPECT_FALSE(add(102, 0x12)); // sample 2
    EXPECT_EQ(labels, (QStringList{"Задержка сигнала, осталось, изм.: 3",
                                   "Задержка сигнала, осталось, изм.: 2",
                                   "Задержка сигнала, осталось, изм.: 1"}));
    EXPECT_TRUE(sink.weight.empty());

    EXPECT_TRUE(add(103, 0x13)); // sample 3: the first point
    EXPECT_FALSE(shown.back()) << "the label goes with the first point";
    ASSERT_EQ(sink.weight.size(), 1u);
    EXPECT_EQ(sink.weight[0], (RecordingSink::Point{3, 0.103}));
    EXPECT_EQ(acq.DInputRecords().text(0), "11"); // the byte of sample 1
    add(104, 0x14);
    EXPECT_EQ(acq.DInputRecords().text(1), "12");

    // A new run fills its delay line afresh.
    begin(100, 10, 0x1F, 3);
    EXPECT_FALSE(add(1, 0));
    EXPECT_TRUE(shown.back());
}

TEST_F(Acquisition, DelayOfOneDropsTheFirstSampleOnly)
{
    begin(100, 10, 0x01, 1);
    EXPECT_FALSE(add(5, 0x01));
    EXPECT_TRUE(add(6, 0x00));
    EXPECT_EQ(acq.DInputRecords().text(0), "00") << "no delay results";
}

TEST(InputLevels, InsetsOnTheWeightAxis)
{
    EXPECT_DOUBLE_EQ(InputLevelsOf(1, 0, 100).low, 4.5);
    EXPECT_DOUBLE_EQ(InputLevelsOf(1, 0, 100).high, 95.5);
    EXPECT_DOUBLE_EQ(InputLevelsOf(5, 0, 100).low, 6.5);
    EXPECT_DOUBLE_EQ(InputLevelsOf(5, 0, 100).high, 93.5);
    // A flat axis puts every level of every input on its one value.
    for (int k = 1; k <= 5; ++k) {
        EXPECT_DOUBLE_EQ(InputLevelsOf(k, 7, 7).low, 7);
        EXPECT_DOUBLE_EQ(InputLevelsOf(k, 7, 7).high, 7);
    }
}

} // namespace
} // namespace korvel
