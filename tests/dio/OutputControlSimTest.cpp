// Taking the outputs over, handing them back and switching them, against the simulated
// indicator over a pseudo-terminal; no window.
#include "DioRig.h"

namespace korvel::test {
namespace {

class OutputControlSimTest : public DioRig
{
protected:
    OutputControl& control() { return io->control; }
    CyfrInOutState& state() { return io->state; }
};

const Block kOriginal{3, 0, 0, 0, 0, 0, 0, 7};
const Block kZeros{};

TEST_F(OutputControlSimTest, TakeOverSavesAndClearsTheBlockAndReleaseWritesItBack)
{
    setBlock(kOriginal);
    for (bool polling : {true, false}) {
        SCOPED_TRACE(polling ? "poll running" : "poll stopped");
        if (polling)
            poll->enablePolling();
        else
            poll->disablePolling();
        poll->PollWasEnabled = 7; // the shared byte belongs to other features
        sim->clearRequests();

        ASSERT_TRUE(control().setTakenOver(true));
        auto expected = blockFrames(kZeros);
        expected.push_back(regWrite(REG_OUTPUT_CONTROL, 1));
        EXPECT_EQ(requests(), expected);
        EXPECT_EQ(deviceBlock(), kZeros);
        EXPECT_TRUE(sim->outputControl());
        EXPECT_TRUE(state().OutputsTakenOver);
        EXPECT_EQ(state().SavedOutputBlock, kOriginal);
        EXPECT_EQ(poll->pollingEnabled(), polling);

        sim->clearRequests();
        ASSERT_TRUE(control().setTakenOver(false));
        expected = blockFrames(kOriginal);
        expected.push_back(regWrite(REG_OUTPUT_CONTROL, 0));
        EXPECT_EQ(requests(), expected);
        EXPECT_EQ(deviceBlock(), kOriginal);
        EXPECT_FALSE(sim->outputControl());
        EXPECT_FALSE(state().OutputsTakenOver);
        EXPECT_EQ(poll->pollingEnabled(), polling);
        EXPECT_EQ(poll->PollWasEnabled, 7);
        EXPECT_EQ(messages, 0);
    }
}

TEST_F(OutputControlSimTest, OutputClickInvertsOneBitOfTheLastReportedByte)
{
    ASSERT_TRUE(control().setTakenOver(true));
    struct Case
    {
        std::uint8_t last;
        int lamp;
        std::uint8_t sent;
    };
    const Case cases[] = {
        {0x05, 1, 0x07}, // lamp "2" on
        {0x05, 0, 0x04}, // lamp "1" off
        {0x05, 1, 0x07}, // no poll between two clicks: the same byte again
        {0x00, 7, 0x80}, {0xFF, 7, 0x7F},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "last " << int(c.last) << " lamp " << c.lamp);
        state().LastOutputs = c.last;
        sim->clearRequests();
        EXPECT_TRUE(control().switchOutput(c.lamp));
        EXPECT_EQ(requests(), (std::vector<Request>{regWrite(REG_ARGUMENT, c.sent),
                                                    regWrite(REG_COMMAND, CMD_SET_OUTPUTS)}));
        EXPECT_EQ(sim->outputs(), c.sent);
        EXPECT_EQ(state().LastOutputs, c.last) << "the lamps wait for the poll";
    }
    EXPECT_EQ(messages, 0);

    // A write that is not acknowledged: the popup, and the command is not sent.
    port.cutAfter(0);
    sim->clearRequests();
    EXPECT_FALSE(control().switchOutput(2));
    EXPECT_EQ(messages, 1);
    EXPECT_TRUE(requests().empty());
}

TEST_F(OutputControlSimTest, FailingPageSelectShowsOneMessageAndSendsNothingMore)
{
    setBlock(kOriginal);
    poll->enablePolling();
    sim::SimFaults silent;
    silent.silent = true;
    sim->setFaults(silent);

    EXPECT_FALSE(control().setTakenOver(true));
    EXPECT_EQ(messages, 1);
    EXPECT_EQ(requests(), (std::vector<Request>{regWrite(REG_PAGE, 1)}));
    EXPECT_FALSE(state().OutputsTakenOver);
    EXPECT_FALSE(state().OriginalBlockHeld);
    EXPECT_TRUE(poll->pollingEnabled());
    EXPECT_EQ(deviceBlock(), kOriginal);
}

// A failure half-way must not cost the device its configuration: whatever fails and is
// retried, the release ends with the block the device had before the first take-over.
TEST_F(OutputControlSimTest, OriginalBlockSurvivesFailuresHalfWay)
{
    setBlock(kOriginal);

    // Page, read and three of the eight zeros get through.
    port.cutAfter(5);
    EXPECT_FALSE(control().setTakenOver(true));
    EXPECT_EQ(messages, 1);
    EXPECT_FALSE(state().OutputsTakenOver);
    EXPECT_EQ(deviceBlock(), (Block{0, 0, 0, 0, 0, 0, 0, 7}));

    // The user tries again: the partly cleared block is not taken for the original.
    port.mend();
    ASSERT_TRUE(control().setTakenOver(true));
    EXPECT_EQ(state().SavedOutputBlock, kOriginal);
    EXPECT_EQ(deviceBlock(), kZeros);

    // A release that fails half-way leaves the outputs with the PC ...
    port.cutAfter(6);
    EXPECT_FALSE(control().setTakenOver(false));
    EXPECT_EQ(messages, 2);
    EXPECT_TRUE(state().OutputsTakenOver);
    EXPECT_EQ(deviceBlock(), (Block{3, 0, 0, 0, 0, 0, 0, 0}));

    // ... the panel opened again takes them over once more without a new 252 ...
    port.mend();
    sim->clearRequests();
    ASSERT_TRUE(control().setTakenOver(true));
    EXPECT_EQ(requests(), blockFrames(kZeros));
    EXPECT_EQ(state().SavedOutputBlock, kOriginal);

    // ... and the release puts the original back.
    ASSERT_TRUE(control().setTakenOver(false));
    EXPECT_EQ(deviceBlock(), kOriginal);
    EXPECT_FALSE(sim->outputControl());
    EXPECT_FALSE(state().OriginalBlockHeld);
}

// The simulated line dies for one write after three zeros: the take-over fails, and the
// device's own block goes back at once instead of staying partly cleared.
TEST_F(OutputControlSimTest, TakeOverCutOffHalfWayPutsTheBlockBackAtOnce)
{
    const Block original{1, 2, 3, 4, 5, 6, 7, 8};
    setBlock(original);
    sim::SimFaults cut;
    cut.cutWriteAfter = 3;
    sim->setFaults(cut);

    EXPECT_FALSE(control().setTakenOver(true));
    std::vector<Request> expected = blockFrames(kZeros);
    expected.resize(2 + 4); // page, read, three zeros and the one the line swallowed
    for (int i = 0; i < MEM_OUTPUT_CONFIG_COUNT; ++i)
        expected.push_back(memWrite(std::uint8_t(MEM_OUTPUT_CONFIG + i), original[i]));
    EXPECT_EQ(requests(), expected);
    EXPECT_EQ(deviceBlock(), original);
    EXPECT_FALSE(sim->outputControl());
    EXPECT_EQ(messages, 1);
    EXPECT_EQ(lastFailure, OutputFailure::Link) << "the configuration is whole again";
    EXPECT_FALSE(state().OutputsTakenOver);
    EXPECT_FALSE(control().handBackOwed());
}

TEST_F(OutputControlSimTest, ReleaseWithoutTakeOverNeverWritesAStaleCopy)
{
    // Nothing was ever read from this device: an all-zero copy must not reach it.
    setBlock(kOriginal);
    ASSERT_TRUE(control().setTakenOver(false));
    EXPECT_EQ(requests(), (std::vector<Request>{regWrite(REG_PAGE, 1),
                                                {Request::MemRead, MEM_OUTPUT_CONFIG, 7}}));
    EXPECT_EQ(deviceBlock(), kOriginal);
}

TEST_F(OutputControlSimTest, LockedDuringATransferSendsNothing)
{
    setBlock(kOriginal);
    control().setLocked(true);
    EXPECT_FALSE(control().setTakenOver(true));
    EXPECT_FALSE(control().switchOutput(0));
    EXPECT_TRUE(requests().empty());
    EXPECT_EQ(messages, 0);
    control().setLocked(false);
    EXPECT_TRUE(control().setTakenOver(true));
}

} // namespace
} // namespace korvel::test
