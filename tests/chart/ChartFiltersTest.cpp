// The indicator's filter registers around chart mode: read and written at entry, written at a
// start, restored at exit, or left alone with "не вписывать".
#include "chart/ChartFilters.h"
#include "ChartFakes.h"
#include "link/Link.h"
#include "settings/ChartControls.h"
#include "settings/SettingsValues.h"

#include <gtest/gtest.h>

namespace korvel {
namespace {

using Writes = std::vector<std::pair<int, int>>;

class Filters : public ::testing::Test
{
protected:
    Filters()
    {
        settings.Filter1 = 2;
        settings.Filter2 = 5;
        settings.Stab_bnd = 10;
        controls.setFilter1(2);
        controls.setFilter2(5);
        controls.setStabBnd(10);
        filters.NeVpisyvat = false;
        indicator.filters = {2, 3, 10};
    }
    Writes writesSince(std::size_t mark) const
    {
        const Writes all = indicator.writtenValues();
        return Writes(all.begin() + long(mark), all.end());
    }

    test::VirtualClock clock;
    test::ChartIndicator indicator{clock};
    Uperemen settings;
    ChartControls controls;
    Link link{indicator, clock, settings};
    ChartFilters filters{link, settings, controls};
};

TEST_F(Filters, CheckInWritesWhatDiffersAndRestorePutsTheIndicatorsValuesBack)
{
    ASSERT_TRUE(filters.FilterCheckIn());
    EXPECT_EQ(indicator.requests.front(),
              (test::ChartIndicator::Request{0x81, REG_FILTER1, 2, indicator.requests[0].atMs}));
    EXPECT_EQ(filters.deviceValues(), (std::array<int, 3>{2, 3, 10}));
    EXPECT_EQ(indicator.writtenValues(), (Writes{{241, 5}}));

    const std::size_t mark = indicator.writtenValues().size();
    ASSERT_TRUE(filters.FilterRestore());
    EXPECT_EQ(writesSince(mark), (Writes{{241, 3}}));
    EXPECT_EQ(settings.Filter2, 5) << "the applied value stays for the next entry";
}

TEST_F(Filters, NeVpisyvatWritesNothingButStillReads)
{
    filters.NeVpisyvat = true;
    controls.setFilter1(4);
    ASSERT_TRUE(filters.FilterCheckIn());
    ASSERT_TRUE(filters.FilterApply());
    ASSERT_TRUE(filters.FilterRestore());
    EXPECT_TRUE(indicator.writes().empty());
    ASSERT_EQ(indicator.requests.size(), 1u);
    EXPECT_EQ(indicator.requests[0].reg, REG_FILTER1);
    EXPECT_EQ(settings.Filter1, 2) << "nothing was applied";
}

TEST_F(Filters, ApplyWritesAChangedControlWaitsAndTakesItAsApplied)
{
    ASSERT_TRUE(filters.FilterCheckIn());
    const std::size_t mark = indicator.writtenValues().size();
    controls.setFilter1(4);
    ASSERT_TRUE(filters.FilterApply());
    EXPECT_EQ(writesSince(mark), (Writes{{240, 4}}));
    EXPECT_EQ(settings.Filter1, 4);
    // The 50 ms pause follows the write: the restore's first request comes after it.
    const long written = indicator.requests.back().atMs;
    ASSERT_TRUE(filters.FilterRestore());
    EXPECT_GE(indicator.requests[indicator.requests.size() - 2].atMs - written, 50);
    EXPECT_EQ(indicator.filters[0], 2) << "restored";

    // The next entry compares the indicator's value with the new applied 4.
    const std::size_t again = indicator.writtenValues().size();
    ASSERT_TRUE(filters.FilterCheckIn());
    EXPECT_EQ(writesSince(again), (Writes{{240, 4}, {241, 5}}));
}

TEST_F(Filters, AFailedCheckInWriteLeavesTheLaterRegistersAlone)
{
    settings.Filter1 = 6;
    indicator.writeFailures[REG_FILTER1] = 1;
    EXPECT_FALSE(filters.FilterCheckIn());
    for (const auto& w : indicator.writes())
        EXPECT_EQ(w.reg, REG_FILTER1);

    // A failed apply write ends the apply and keeps the applied value.
    indicator.writeFailures[REG_FILTER2] = 1;
    controls.setFilter2(7);
    controls.setStabBnd(99);
    EXPECT_FALSE(filters.FilterApply());
    EXPECT_EQ(settings.Filter2, 5);
    EXPECT_EQ(indicator.filters[2], 10) << "the stability band was not reached";
}

TEST_F(Filters, RestoreTriesEachWriteThreeTimes)
{
    ASSERT_TRUE(filters.FilterCheckIn());
    indicator.writeFailures[REG_FILTER2] = 2;
    EXPECT_TRUE(filters.FilterRestore());
    EXPECT_EQ(indicator.filters[1], 3);

    indicator.filters[1] = 5;
    indicator.writeFailures[REG_FILTER2] = 3;
    const std::size_t mark = indicator.writtenValues().size();
    EXPECT_FALSE(filters.FilterRestore());
    EXPECT_EQ(writesSince(mark), (Writes{{241, 3}, {241, 3}, {241, 3}}));
}

TEST_F(Filters, AnUnreadIndicatorIsWrittenTheAppliedValuesButNeverRestored)
{
    indicator.filterReadFails = true;
    ASSERT_TRUE(filters.FilterCheckIn());
    EXPECT_EQ(std::count_if(indicator.requests.begin(), indicator.requests.end(),
                            [](const auto& r) { return r.first == 0x81; }),
              2)
        << "read once more after a failure";
    EXPECT_FALSE(filters.deviceValuesRead());
    // Taken as zeros: every applied value that is not 0 goes in.
    EXPECT_EQ(indicator.writtenValues(), (Writes{{240, 2}, {241, 5}, {242, 10}}));

    const std::size_t mark = indicator.writtenValues().size();
    EXPECT_TRUE(filters.FilterRestore());
    EXPECT_TRUE(writesSince(mark).empty()) << "no zeros written over the configuration";
}

} // namespace
} // namespace korvel
