#include <gtest/gtest.h>

#include "finder/ProbePlan.h"

using namespace korvel;

TEST(ProbePlan, SpeedsStartWithTheConfiguredOneAndNeverRepeat)
{
    struct Case
    {
        int configured;
        std::vector<int> order;
    };
    for (const Case& c : {
             Case{9600, {9600, 19200, 38400, 57600, 115200, 4800, 2400}},
             Case{57600, {57600, 9600, 19200, 38400, 115200, 4800, 2400}},
             Case{2400, {2400, 9600, 19200, 38400, 57600, 115200, 4800}},
             // A speed the list lacks (a hand-edited file) is still tried first.
             Case{1200, {1200, 9600, 19200, 38400, 57600, 115200, 4800, 2400}},
             Case{0, {9600, 19200, 38400, 57600, 115200, 4800, 2400}},
         })
        EXPECT_EQ(ProbePlan::baudOrder(c.configured), c.order) << c.configured;
}

TEST(ProbePlan, AddressesStartWithTheConfiguredOneAndCoverOneToSixtyThree)
{
    for (int configured : {1, 37, 63, 0, 64}) {
        const std::vector<int> order = ProbePlan::addressOrder(configured);
        ASSERT_EQ(order.size(), 63u) << configured;
        std::vector<int> sorted = order;
        std::sort(sorted.begin(), sorted.end());
        for (int i = 0; i < 63; ++i)
            EXPECT_EQ(sorted[static_cast<std::size_t>(i)], i + 1) << configured;
        if (configured >= 1 && configured <= 63) {
            EXPECT_EQ(order.front(), configured);
            // The rest ascending, so a technician can follow the progress.
            EXPECT_TRUE(std::is_sorted(order.begin() + 1, order.end())) << configured;
        } else {
            EXPECT_TRUE(std::is_sorted(order.begin(), order.end())) << configured;
        }
    }
}

TEST(ProbePlan, TimeOutIsTheLineTimeOfRequestAndReplyPlusTheMargin)
{
    // 11 bytes of 10 bits, rounded up to whole milliseconds, plus 20 ms.
    struct Case
    {
        int baud;
        int timeoutMs;
    };
    for (const Case& c : {Case{2400, 66}, {4800, 43}, {9600, 32}, {19200, 26}, {38400, 23},
                          {57600, 22}, {115200, 21}})
        EXPECT_EQ(ProbePlan::probeTimeoutMs(c.baud), c.timeoutMs) << c.baud;
    EXPECT_NEAR(ProbePlan::lineTimeMs(9600), 11.458, 0.001);
}
