// The indicator's typed operations against the simulated indicator on a pseudo-terminal: the
// frames each one sends and what it makes of the replies.
#include "device/Indicator.h"
#include "link/Clock.h"
#include "link/Link.h"
#include "link/PosixSerialPort.h"
#include "sim/Simulator.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace korvel {
namespace {

class IndicatorSimTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        sim::SimOptions o;
        o.address = 5;
        o.model = 21;
        o.serial = {4, 2, 17};
        sim = std::make_unique<sim::Simulator>(o);
        std::string error;
        ASSERT_TRUE(sim->start(&error)) << error;
        ASSERT_EQ(port.open(sim->slavePath(), 9600, 60).status, PortOpenStatus::Ok);
        settings.AdrPribor = 5;
    }
    // The 4-byte requests the simulator received since the last call.
    std::vector<std::vector<std::uint8_t>> frames()
    {
        std::vector<std::vector<std::uint8_t>> out;
        for (const auto& r : sim->requests())
            out.push_back({r.bytes.begin(), r.bytes.begin() + 3});
        sim->clearRequests();
        return out;
    }

    std::unique_ptr<sim::Simulator> sim;
    PosixSerialPort port;
    LinkSettings settings;
    Link link{port, systemClock(), settings};
    Indicator indicator{link};
};

TEST_F(IndicatorSimTest, ReadsComeBackDecoded)
{
    std::array<std::uint8_t, DISPLAY_COUNT> display{};
    for (int i = 0; i < DISPLAY_COUNT; ++i)
        display[std::size_t(i)] = std::uint8_t(0x30 + i);
    display[0] = STATUS_STABLE | STATUS_ZERO;
    sim->setDisplay(display);
    sim->setInputs(0x15);

    const auto shown = indicator.readDisplay();
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->status, STATUS_STABLE | STATUS_ZERO);
    EXPECT_EQ(shown->segments.front(), 0x31);
    EXPECT_EQ(shown->segments.back(), 0x30 + DISPLAY_COUNT - 1);

    const auto id = indicator.readIdentification();
    ASSERT_TRUE(id);
    EXPECT_EQ(id->modelNumber(), 21);
    EXPECT_EQ(id->serial(), "0402017");

    const auto io = indicator.readIo();
    ASSERT_TRUE(io);
    EXPECT_EQ(io->inputs, 0x15);

    EXPECT_TRUE(indicator.readFilters());
    EXPECT_EQ(frames(), (std::vector<std::vector<std::uint8_t>>{{0x85, REG_DISPLAY, 15},
                                                                {0x85, REG_IDENT, 3},
                                                                {0x85, REG_DIO, 1},
                                                                {0x85, REG_FILTER1, 2}}));
}

TEST_F(IndicatorSimTest, CommandsAndMemoryGoToTheAddressOfTheMoment)
{
    ASSERT_TRUE(indicator.lockKeyboard(true));
    EXPECT_TRUE(sim->keyboardLocked());
    ASSERT_TRUE(indicator.unlockKeyboard());
    ASSERT_TRUE(indicator.setOutputControl(true));
    ASSERT_TRUE(indicator.setOutputs(0x81));
    EXPECT_EQ(sim->outputs(), 0x81);
    ASSERT_TRUE(indicator.setOutputControl(false));
    ASSERT_TRUE(indicator.selectPage(1));
    ASSERT_TRUE(indicator.writeMemoryByte(53, 9));
    EXPECT_EQ(indicator.readMemoryByte(53), 9);
    std::array<std::uint8_t, MEM_PAGE_SIZE> page{};
    ASSERT_TRUE(indicator.readPage(page));
    EXPECT_EQ(page, sim->memoryPage(1));
    ASSERT_TRUE(indicator.endWrite());
    EXPECT_EQ(sim->writeDoneCount(), 1);
    EXPECT_EQ(frames(), (std::vector<std::vector<std::uint8_t>>{
                            {0x05, REG_COMMAND, CMD_KEYBOARD_LOCK},
                            {0x05, REG_COMMAND, CMD_KEYBOARD_UNLOCK},
                            {0x05, REG_OUTPUT_CONTROL, 1},
                            {0x05, REG_ARGUMENT, 0x81},
                            {0x05, REG_COMMAND, CMD_SET_OUTPUTS},
                            {0x05, REG_OUTPUT_CONTROL, 0},
                            {0x05, REG_PAGE, 1},
                            {0x45, 53, 9},
                            {0xC5, 53, 0},
                            {0xC5, 0, 255},
                            {0x05, REG_COMMAND, CMD_WRITE_DONE}}));

    // The outputs' block: page 1 selected and read; written byte by byte.
    const std::array<std::uint8_t, MEM_OUTPUT_CONFIG_COUNT> block{1, 2, 3, 4, 5, 6, 7, 8};
    ASSERT_TRUE(indicator.writeOutputBlock(block));
    std::array<std::uint8_t, MEM_OUTPUT_CONFIG_COUNT> back{};
    ASSERT_TRUE(indicator.readOutputBlock(back));
    EXPECT_EQ(back, block);
    const auto blockFrames = frames();
    ASSERT_EQ(blockFrames.size(), 8u + 2u);
    EXPECT_EQ(blockFrames[0], (std::vector<std::uint8_t>{0x45, MEM_OUTPUT_CONFIG, 1}));
    EXPECT_EQ(blockFrames[8], (std::vector<std::uint8_t>{0x05, REG_PAGE, MEM_OUTPUT_CONFIG_PAGE}));
    EXPECT_EQ(blockFrames[9], (std::vector<std::uint8_t>{0xC5, MEM_OUTPUT_CONFIG, 7}));

    // Another address in the settings: the very next frame goes there, and nothing answers.
    settings.AdrPribor = 6;
    EXPECT_FALSE(indicator.readIdentification());
    ASSERT_FALSE(frames().empty());
}

TEST_F(IndicatorSimTest, StreamFramesComeAsTheirDataBytes)
{
    ASSERT_TRUE(indicator.startStream());
    int frames = 0;
    for (int i = 0; i < 5; ++i)
        frames += indicator.receiveStreamFrame().has_value();
    EXPECT_EQ(frames, 5);
    ASSERT_TRUE(indicator.stopStream() || indicator.stopStream());
    indicator.clock().sleepMs(20);
    indicator.discardReceived();
    EXPECT_FALSE(sim->streaming());
}

} // namespace
} // namespace korvel
