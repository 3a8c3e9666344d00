// Taking the outputs over, handing them back and switching them, against the simulated
// indicator over a pseudo-terminal; no window.
#include "DioRig.h"

#include "dio/OutputJournal.h"

#include <QDateTime>
#include <QFile>

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
        auto expected = blockFrames(kZeros, true);
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

    // Page, read, identification and three of the eight zeros get through.
    port.cutAfter(6);
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
    std::vector<Request> expected = blockFrames(kZeros, true);
    expected.resize(3 + 4); // page, read, identification, three zeros and the one swallowed
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

// The simulator's identification (model 3, serial 5, 7, 123) and another indicator's.
const IndicatorIdentity kThisIndicator{3, "0507123"};
const IndicatorIdentity kOtherIndicator{3, "0507124"};

class OutputJournalSimTest : public OutputControlSimTest
{
protected:
    OutputJournal& journal() { return control().journal; }
    void storeJournal(const IndicatorIdentity& who, const Block& block)
    {
        ASSERT_TRUE(journal().store({who, "ttyUSB7", 9, QDateTime::currentDateTime(), block}));
    }
};

TEST_F(OutputJournalSimTest, TheBlockIsOnTheDiskFromBeforeTheFirstZeroUntilItIsBack)
{
    setBlock(kOriginal);
    settings.CommName = "ttyS3";
    settings.AdrPribor = 1;
    ASSERT_TRUE(control().setTakenOver(true));
    const auto entry = journal().find(kThisIndicator);
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->block, kOriginal);
    EXPECT_EQ(entry->port, "ttyS3");
    EXPECT_EQ(entry->address, 1);
    EXPECT_LT(entry->time.secsTo(QDateTime::currentDateTime()), 60);
    EXPECT_EQ(control().holding(), kThisIndicator);

    ASSERT_TRUE(control().setTakenOver(false));
    EXPECT_FALSE(journal().find(kThisIndicator));
    EXPECT_TRUE(journal().empty());
    EXPECT_FALSE(control().holding());

    // The line dies at the first zero: what the crash would leave is already on the disk.
    port.cutAfter(3); // page, read, identification
    EXPECT_FALSE(control().setTakenOver(true));
    EXPECT_EQ(lastFailure, OutputFailure::BlockNotRestored);
    ASSERT_TRUE(journal().find(kThisIndicator));
    EXPECT_EQ(journal().find(kThisIndicator)->block, kOriginal);
    // The block went back by the next release; the file with it.
    port.mend();
    ASSERT_TRUE(control().setTakenOver(false));
    EXPECT_TRUE(journal().empty());
}

TEST_F(OutputJournalSimTest, NoZeroIsSentWhenTheJournalCannotBeStored)
{
    setBlock(kOriginal);
    // A file where the folder should be: nothing can be stored there.
    QFile blocker(journal().folder());
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    EXPECT_FALSE(control().setTakenOver(true));
    EXPECT_EQ(lastFailure, OutputFailure::JournalNotStored);
    EXPECT_FALSE(control().journalError().isEmpty());
    EXPECT_EQ(requests(), (std::vector<Request>{regWrite(REG_PAGE, 1),
                                                {Request::MemRead, MEM_OUTPUT_CONFIG, 7},
                                                {Request::RegRead, REG_IDENT, IDENT_COUNT - 1}}));
    EXPECT_EQ(deviceBlock(), kOriginal);
    EXPECT_FALSE(state().OutputsTakenOver);
    EXPECT_FALSE(control().handBackOwed());
}

// At a connection the indicator's own journal is written back and 252 ← 0 follows; another
// indicator's journal is left alone, and with none at all nothing is asked.
TEST_F(OutputJournalSimTest, AConnectedIndicatorGetsItsJournalledBlockBack)
{
    const Block journalled{9, 8, 7, 6, 5, 4, 3, 2};
    const Request ident{Request::RegRead, REG_IDENT, IDENT_COUNT - 1};
    std::vector<Request> restore{ident, regWrite(REG_PAGE, 1)};
    for (const Request& r : blockWrites(journalled))
        restore.push_back(r);
    restore.push_back(regWrite(REG_OUTPUT_CONTROL, 0));

    struct Case
    {
        const char* name;
        std::optional<IndicatorIdentity> journalOf;
        std::vector<Request> frames;
        bool restored;
    };
    const Case cases[] = {
        {"no journal", std::nullopt, {}, false},
        {"another indicator's", kOtherIndicator, {ident}, false},
        {"this indicator's", kThisIndicator, restore, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        setBlock(kZeros);
        ASSERT_TRUE(link->DeviceWrite(1, REG_OUTPUT_CONTROL, 1)); // as a take-over left it
        if (c.journalOf)
            storeJournal(*c.journalOf, journalled);
        sim->clearRequests();
        EXPECT_EQ(control().restoreJournalled().has_value(), c.restored);
        EXPECT_EQ(requests(), c.frames);
        EXPECT_EQ(deviceBlock(), c.restored ? journalled : kZeros);
        EXPECT_EQ(sim->outputControl(), !c.restored);
        if (c.journalOf) {
            EXPECT_EQ(journal().find(*c.journalOf).has_value(), !c.restored);
        }
        journal().remove(kOtherIndicator);
    }
    EXPECT_EQ(messages, 0);
}

TEST_F(OutputJournalSimTest, TheJournalStaysUntilTheModeRegisterIsBack)
{
    const Block journalled{1, 1, 1, 1, 1, 1, 1, 1};
    storeJournal(kThisIndicator, journalled);
    port.cutAfter(1 + 1 + 8); // identification, page, the block; 252 ← 0 is lost
    EXPECT_FALSE(control().restoreJournalled());
    EXPECT_EQ(deviceBlock(), journalled);
    EXPECT_TRUE(journal().find(kThisIndicator)) << "kept for the next connection";
    port.mend();
    EXPECT_TRUE(control().restoreJournalled());
    EXPECT_TRUE(journal().empty());
    EXPECT_FALSE(sim->outputControl());

    // A release whose 252 ← 0 is lost: done as always, but the journal stays.
    setBlock(kOriginal);
    ASSERT_TRUE(control().setTakenOver(true));
    port.cutAfter(2 + 8); // page, read, the block
    EXPECT_TRUE(control().setTakenOver(false));
    EXPECT_FALSE(state().OutputsTakenOver);
    EXPECT_EQ(deviceBlock(), kOriginal);
    EXPECT_TRUE(journal().find(kThisIndicator));
}

// The outputs this process holds stay with it when the same indicator comes back (a
// replugged adapter): its journal is not written back behind the strip's back.
TEST_F(OutputJournalSimTest, TheHoldOfThisProcessIsNotUndoneByAReconnection)
{
    setBlock(kOriginal);
    ASSERT_TRUE(control().setTakenOver(true));
    sim->clearRequests();
    EXPECT_FALSE(control().restoreJournalled());
    EXPECT_EQ(requests(), (std::vector<Request>{{Request::RegRead, REG_IDENT, IDENT_COUNT - 1}}));
    EXPECT_EQ(deviceBlock(), kZeros);
    EXPECT_TRUE(state().OutputsTakenOver);
}

// A journal that was never written back (its connection's restore failed) holds the real
// block; the cleared one on the device must not replace it at the next take-over.
TEST_F(OutputJournalSimTest, ATakeOverOverAnUnrestoredJournalKeepsItsBlock)
{
    storeJournal(kThisIndicator, kOriginal);
    setBlock(kZeros);
    ASSERT_TRUE(control().setTakenOver(true));
    EXPECT_EQ(state().SavedOutputBlock, kOriginal);
    ASSERT_TRUE(control().setTakenOver(false));
    EXPECT_EQ(deviceBlock(), kOriginal);
    EXPECT_TRUE(journal().empty());
}

// A hand-back that cannot reach the indicator: the process may let go, the journal keeps the
// block, and the indicator gets it back at its next connection.
TEST_F(OutputJournalSimTest, OutputsLeftToTheJournalGoBackAtTheNextConnection)
{
    setBlock(kOriginal);
    EXPECT_FALSE(control().leaveToJournal()) << "nothing held";
    ASSERT_TRUE(control().setTakenOver(true));
    port.cutAfter(0);
    EXPECT_FALSE(control().setTakenOver(false));
    ASSERT_TRUE(control().leaveToJournal());
    EXPECT_FALSE(state().OutputsTakenOver);
    EXPECT_FALSE(control().handBackOwed());
    EXPECT_FALSE(control().holding());

    port.mend();
    const auto restored = control().restoreJournalled();
    ASSERT_TRUE(restored);
    EXPECT_EQ(restored->block, kOriginal);
    EXPECT_EQ(deviceBlock(), kOriginal);
    EXPECT_FALSE(sim->outputControl());
    EXPECT_TRUE(journal().empty());
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
