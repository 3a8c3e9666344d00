// The device model without a pty: registers, commands, keys, memory and the process.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <set>
#include <string>
#include <tuple>

#include "RawClient.h"
#include "link/Crc8.h"
#include "link/DeviceMap.h"
#include "sim/DeviceModel.h"
#include "sim/SegmentFont.h"

using namespace korvel;
using namespace korvel::sim;
using korvel::sim::test::makeRequest;

namespace {

class ModelTest : public ::testing::Test
{
protected:
    SimOptions options() const
    {
        SimOptions o;
        o.address = 1;
        o.model = 3;
        o.serial = {5, 7, 123};
        return o;
    }

    void SetUp() override { model = std::make_unique<DeviceModel>(options()); }

    std::vector<std::uint8_t> transact(std::uint8_t first, std::uint8_t index, std::uint8_t value)
    {
        const auto r = makeRequest(first, index, value);
        return model->handle(r.data(), t);
    }

    // A register or memory write; checks the acknowledgement on the way.
    void write(std::uint8_t reg, std::uint8_t value, bool memory = false)
    {
        const std::uint8_t first = memory ? ACCESS_MEM_WRITE | 1 : ACCESS_REG_WRITE | 1;
        const auto r = makeRequest(first, reg, value);
        const auto ack = model->handle(r.data(), t);
        ASSERT_EQ(ack, (std::vector<std::uint8_t>{1, r[3]}));
    }

    // The data bytes of a read, after checking the frame around them.
    std::vector<std::uint8_t> read(std::uint8_t index, int count, bool memory = false)
    {
        const std::uint8_t first = memory ? ACCESS_MEM_READ | 1 : ACCESS_REG_READ | 1;
        const auto reply = transact(first, index, static_cast<std::uint8_t>(count - 1));
        EXPECT_EQ(reply.size(), static_cast<std::size_t>(count) + 3);
        if (reply.size() != static_cast<std::size_t>(count) + 3)
            return {};
        EXPECT_EQ(reply[0], first);
        EXPECT_EQ(reply[1], count - 1);
        EXPECT_EQ(reply.back(), Crc8(reply.data(), reply.size() - 1));
        return {reply.begin() + 2, reply.end() - 1};
    }

    void command(std::uint8_t cmd, std::optional<std::uint8_t> argument = std::nullopt)
    {
        if (argument)
            write(REG_ARGUMENT, *argument);
        write(REG_COMMAND, cmd);
    }

    void advance(double seconds)
    {
        for (double end = t + seconds; t < end; t += 0.05)
            model->advanceTo(t);
    }

    std::unique_ptr<DeviceModel> model;
    double t = 0.0;
};

TEST_F(ModelTest, ReadsReturnFramedDataOfTheAskedLength)
{
    struct Case
    {
        bool memory;
        std::uint8_t index;
        int count;
    };
    for (const Case& c : {Case{false, REG_DISPLAY, DISPLAY_COUNT}, Case{false, REG_DIO, DIO_COUNT},
                          Case{false, REG_IDENT, IDENT_COUNT}, Case{false, REG_FILTER1, 3},
                          Case{false, 0, 256}, Case{true, 0, 256}, Case{true, MEM_DECIMALS, 1}}) {
        SCOPED_TRACE(std::to_string(c.index) + "/" + std::to_string(c.count));
        EXPECT_EQ(read(c.index, c.count, c.memory).size(), static_cast<std::size_t>(c.count));
    }
}

TEST_F(ModelTest, RequestsForAnotherAddressGetNoAnswer)
{
    EXPECT_TRUE(transact(ACCESS_REG_READ | 2, REG_DISPLAY, 15).empty());
    EXPECT_TRUE(transact(ACCESS_REG_WRITE | 2, REG_COMMAND, CMD_KEYBOARD_LOCK).empty());
    EXPECT_FALSE(model->keyboardLocked());
}

TEST_F(ModelTest, IdentificationComesFromModelAndSerial)
{
    EXPECT_EQ(read(REG_IDENT, 4), (std::vector<std::uint8_t>{123, 3, 5, 7}));
    model->setModel(21);
    model->setSerial({1, 2, 250});
    EXPECT_EQ(read(REG_IDENT, 4), (std::vector<std::uint8_t>{250, 21, 1, 2}));
}

TEST_F(ModelTest, OnlyADoserLightsTheDoserLamps)
{
    const std::uint8_t doserBits = STATUS_DOZ1 | STATUS_DOZ2 | STATUS_DOZ3 | STATUS_DOZ4;
    for (int modelNumber : {3, 19, 20, 21, 200}) { // 200 is -56 as a signed byte
        SCOPED_TRACE(modelNumber);
        SimOptions o = options();
        o.model = modelNumber;
        model = std::make_unique<DeviceModel>(o);
        t = 0.0;
        std::uint8_t seen = 0;
        for (int i = 0; i < 1200; ++i) { // 60 s: a few dosing cycles
            advance(0.05);
            seen |= read(REG_DISPLAY, 1)[0];
        }
        EXPECT_EQ(seen & doserBits,
                  modelNumber >= DOSER_FIRST_MODEL && modelNumber < 128 ? doserBits : 0);
        EXPECT_TRUE(seen & STATUS_STABLE);
        EXPECT_TRUE(seen & STATUS_ZERO);
    }
}

TEST_F(ModelTest, FilterRegistersAreReadTogetherAndWrittenOneByOne)
{
    write(REG_FILTER1, 3);
    write(REG_FILTER2, 5);
    write(REG_STAB_BAND, 200);
    EXPECT_EQ(read(REG_FILTER1, 3), (std::vector<std::uint8_t>{3, 5, 200}));
    EXPECT_EQ(model->periodsPerFrame(), 8); // filter 1 averages 2^3 ADC periods per frame
    write(REG_FILTER1, 0);
    EXPECT_EQ(model->periodsPerFrame(), 1);
}

TEST_F(ModelTest, OutputsFollowCommandTenOnlyWhileThePcHoldsThem)
{
    // Released, the indicator drives the outputs from its configuration: a cleared block
    // leaves them all off, whatever command 10 says.
    write(REG_PAGE, MEM_OUTPUT_CONFIG_PAGE);
    for (int i = 0; i < MEM_OUTPUT_CONFIG_COUNT; ++i)
        write(static_cast<std::uint8_t>(MEM_OUTPUT_CONFIG + i), 0, true);
    command(CMD_SET_OUTPUTS, 0xA5);
    EXPECT_EQ(read(REG_DIO, 2)[1], 0x00);

    write(REG_OUTPUT_CONTROL, 1);
    EXPECT_TRUE(model->outputControl());
    EXPECT_EQ(read(REG_DIO, 2)[1], 0x00) << "taking over does not replay an old command";
    command(CMD_SET_OUTPUTS, 0x5A);
    EXPECT_EQ(read(REG_DIO, 2)[1], 0x5A);
    command(CMD_SET_OUTPUTS, 0x07);
    EXPECT_EQ(model->outputs(), 0x07);

    write(REG_OUTPUT_CONTROL, 0);
    EXPECT_EQ(read(REG_DIO, 2)[1], 0x00);
}

TEST_F(ModelTest, ReleasedOutputsFollowTheirConfiguredEvents)
{
    model->holdLoad(1000.0); // stable, not at zero, no tare
    advance(0.1);
    // Factory block: output 1 stable, 2 tare, 3 zero, 8 net above zero.
    EXPECT_EQ(read(REG_DIO, 2)[1], 0x81);
    command(CMD_KEYS_A, keys::A_T); // tare: net zero now, tare lamp on
    EXPECT_EQ(read(REG_DIO, 2)[1], 0x03);
}

TEST_F(ModelTest, KeyboardLockAndUnlock)
{
    command(CMD_KEYBOARD_LOCK);
    EXPECT_TRUE(model->keyboardLocked());
    command(CMD_KEYBOARD_UNLOCK);
    EXPECT_FALSE(model->keyboardLocked());
}

TEST_F(ModelTest, TareAndZeroKeysFollowTheLoad)
{
    model->holdLoad(1234.0);
    advance(0.1);
    auto d = read(REG_DISPLAY, DISPLAY_COUNT);
    EXPECT_EQ(d[0] & (STATUS_TARE | STATUS_ZERO), 0);
    EXPECT_TRUE(d[0] & STATUS_STABLE);

    command(CMD_KEYS_A, keys::A_T);
    d = read(REG_DISPLAY, DISPLAY_COUNT);
    EXPECT_TRUE(d[0] & STATUS_TARE);
    EXPECT_EQ(model->panel().row1Text(2), "   0.00");
    EXPECT_EQ(model->panel().row2Text(2, t), "t    12.34");

    model->holdLoad(1000.0); // part of the load taken off: net goes negative
    advance(0.1);
    EXPECT_EQ(model->panel().row1Text(2), "  -2.34");

    command(CMD_KEYS_B, keys::B_ZERO);
    d = read(REG_DISPLAY, DISPLAY_COUNT);
    EXPECT_EQ(d[0] & STATUS_TARE, 0);
    EXPECT_TRUE(d[0] & STATUS_ZERO);
    EXPECT_EQ(model->panel().row1Text(2), "   0.00");
    EXPECT_EQ(model->keyPresses(), 2);
}

TEST_F(ModelTest, DisplayRegisterCarriesTheRenderedWeight)
{
    model->holdLoad(12340.0);
    advance(0.1);
    auto d = read(REG_DISPLAY, DISPLAY_COUNT);
    // Row 1 "123.40": blank, 1, 2, 3 with its point, 4, 0.
    EXPECT_EQ(std::vector<std::uint8_t>(d.begin() + 1, d.begin() + 7),
              (std::vector<std::uint8_t>{0x00, 0x11, 0xCD, 0x5D | 0x20, 0x1B, 0xD7}));
    // Row 2 "br" and the gross.
    EXPECT_EQ(d[7], SegmentFont::code('b'));
    EXPECT_EQ(d[8], SegmentFont::code('r'));
    EXPECT_EQ(d[15], SegmentFont::code('0'));

    write(MEM_DECIMALS, 3, true); // page 0 is selected from power-up
    EXPECT_EQ(model->panel().row1Text(model->decimals()), " 12.340");
}

TEST_F(ModelTest, DigitsTypeIntoTheParameterMenu)
{
    // F opens P-01 (decimals), showing its value.
    command(CMD_KEYS_A, keys::A_F);
    EXPECT_TRUE(model->panel().inMenu());
    EXPECT_EQ(model->panel().row1Text(2), "  P-01");
    EXPECT_EQ(model->panel().row2Text(2, t), "        2");

    command(CMD_KEYS_B, keys::B_3);
    EXPECT_EQ(model->panel().row2Text(2, t), "       3_");
    command(CMD_KEYS_B, keys::B_E);
    EXPECT_EQ(model->memory().at(0, MEM_DECIMALS), 3);
    EXPECT_EQ(read(MEM_DECIMALS, 1, true)[0], 3);

    // Out of range: refused with Err, the value stays.
    command(CMD_KEYS_A, keys::A_9);
    command(CMD_KEYS_B, keys::B_E);
    EXPECT_EQ(model->memory().at(0, MEM_DECIMALS), 3);
    EXPECT_EQ(model->panel().row2Text(2, t), "Err      ");

    // F moves on to P-02; C leaves the menu.
    command(CMD_KEYS_A, keys::A_F);
    EXPECT_EQ(model->panel().menuParameter(), 2);
    command(CMD_KEYS_B, keys::B_C);
    EXPECT_FALSE(model->panel().inMenu());

    // A digit in weighing mode opens the menu with that digit typed.
    command(CMD_KEYS_A, keys::A_7);
    EXPECT_TRUE(model->panel().inMenu());
    EXPECT_EQ(model->panel().entry(), "7");
}

TEST_F(ModelTest, AChordPressesEveryKeyOfItsMask)
{
    command(CMD_KEYS_A, 0xFF);
    EXPECT_EQ(model->keyPresses(), 8);
    command(CMD_KEYS_B, 0x03);
    EXPECT_EQ(model->keyPresses(), 10);
}

TEST_F(ModelTest, MemoryPagesAreSelectedReadAndWritten)
{
    write(REG_PAGE, MEM_OUTPUT_CONFIG_PAGE);
    EXPECT_EQ(read(MEM_OUTPUT_CONFIG, MEM_OUTPUT_CONFIG_COUNT, true),
              (std::vector<std::uint8_t>{1, 2, 3, 0, 0, 0, 0, 4}));
    // Decimals read with the output page still selected agree with page 0.
    EXPECT_EQ(read(MEM_DECIMALS, 1, true)[0], 2);
    write(MEM_OUTPUT_CONFIG + 1, 0x42, true);
    EXPECT_EQ(read(MEM_OUTPUT_CONFIG + 1, 1, true)[0], 0x42);

    write(REG_PAGE, 127);
    write(255, 0x99, true);
    EXPECT_EQ(read(0, 256, true)[255], 0x99);
    EXPECT_EQ(model->memory().at(127, 255), 0x99);

    write(REG_PAGE, 200); // no such page: the selection stays
    EXPECT_EQ(model->selectedPage(), 127);

    write(REG_PAGE, 0);
    EXPECT_EQ(read(MEM_DECIMALS, 1, true)[0], 2);
    EXPECT_EQ(read(MEM_DISCRETENESS, 1, true)[0], 2);
    command(CMD_WRITE_DONE);
    EXPECT_EQ(model->writeDoneCount(), 1);
}

TEST_F(ModelTest, MemoryImageSurvivesSaveAndLoad)
{
    const std::string path = ::testing::TempDir() + "/korvel_sim_image.bin";
    model->memory().set(100, 17, 0x3C);
    ASSERT_TRUE(model->memory().save(path, nullptr));
    MemoryImage other;
    EXPECT_EQ(other.at(100, 17), 0xFF);
    ASSERT_TRUE(other.load(path, nullptr));
    EXPECT_EQ(other.at(100, 17), 0x3C);

    // A file of the wrong size is refused and leaves the memory alone.
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::fputs("short", f);
    std::fclose(f);
    std::string error;
    EXPECT_FALSE(other.load(path, &error));
    EXPECT_NE(error.find("32768"), std::string::npos);
    EXPECT_EQ(other.at(100, 17), 0x3C);
    std::remove(path.c_str());
}

TEST_F(ModelTest, StreamFrameCarriesSignedWeightAndInputs)
{
    model->holdInputs(0x15);
    model->holdLoad(12340.0);
    advance(0.1);
    auto f = model->streamFrame();
    ASSERT_EQ(f.size(), 7u);
    EXPECT_EQ(f[0], 0x81);
    EXPECT_EQ(f[1], 3);
    EXPECT_EQ(f[2] | f[3] << 8 | f[4] << 16, 123400); // one digit finer than the display
    EXPECT_EQ(f[5], 0x15);
    EXPECT_EQ(f[6], Crc8(f.data(), 6));

    command(CMD_KEYS_A, keys::A_T);
    model->holdLoad(12339.9);
    advance(0.1);
    f = model->streamFrame();
    EXPECT_EQ(std::vector<std::uint8_t>(f.begin() + 2, f.begin() + 5),
              (std::vector<std::uint8_t>{0xFF, 0xFF, 0xFF})); // -1
}

TEST_F(ModelTest, StreamRunsBetweenCommandsTwentyAndZero)
{
    EXPECT_FALSE(model->streaming());
    command(CMD_STREAM_START);
    EXPECT_TRUE(model->streaming());
    command(CMD_STREAM_STOP);
    EXPECT_FALSE(model->streaming());
}

TEST_F(ModelTest, InputsChangeNowAndThen)
{
    std::set<std::uint8_t> seen;
    for (int i = 0; i < 600; ++i) {
        advance(0.1);
        const std::uint8_t in = read(REG_DIO, 2)[0];
        EXPECT_EQ(in & 0xE0, 0) << "only five inputs";
        seen.insert(in);
    }
    EXPECT_GT(seen.size(), 4u);
    model->holdInputs(0x0A);
    advance(5.0);
    EXPECT_EQ(read(REG_DIO, 2)[0], 0x0A);
}

TEST_F(ModelTest, WeightMovesWithNoiseAndSettles)
{
    std::set<int> values;
    int stableReads = 0;
    for (int i = 0; i < 400; ++i) { // 40 s of random loads
        advance(0.1);
        values.insert(model->process().displayGross());
        stableReads += (read(REG_DISPLAY, 1)[0] & STATUS_STABLE) != 0;
    }
    EXPECT_GT(values.size(), 10u);
    EXPECT_GT(stableReads, 100);
    EXPECT_LT(stableReads, 400);
}

// The test signal as the stream carries it, in scale divisions (the stream counts one digit
// finer than the display's step of 2), one value per frame from `from` up to `to` seconds.
struct Frame
{
    double t;
    double divisions;
};
std::vector<Frame> signalFrames(DeviceModel& model, double from, double to)
{
    const double period = model.periodsPerFrame() * 0.0075;
    std::vector<Frame> out;
    for (long k = long(std::ceil(from / period)); k * period < to; ++k) {
        model.advanceTo(k * period);
        const auto f = model.streamFrame();
        std::int32_t count = f[2] | f[3] << 8 | f[4] << 16;
        if (count & 0x800000)
            count -= 0x1000000;
        out.push_back({k * period, count / 20.0});
    }
    return out;
}

std::pair<double, double> meanAndDeviation(const std::vector<Frame>& frames)
{
    double sum = 0.0, squares = 0.0;
    for (const Frame& f : frames)
        sum += f.divisions;
    const double mean = sum / double(frames.size());
    for (const Frame& f : frames)
        squares += (f.divisions - mean) * (f.divisions - mean);
    return {mean, std::sqrt(squares / double(frames.size() - 1))};
}

TEST(TestSignal, StreamCarriesTheAskedNoiseAndStepsRepeatablyForASeed)
{
    SimOptions o;
    o.seed = 7;
    o.signal = {true, 0.5, 200.0, 10.0};
    DeviceModel model(o);
    const auto frames = signalFrames(model, 0.0, 30.0);
    ASSERT_EQ(model.process().params().discreteness, 2);

    // The rests between the steps (the lag is 7.5 ms, long over after a second).
    for (const auto& [from, to, level] :
         {std::tuple{1.0, 10.0, 0.0}, {11.0, 20.0, 200.0}, {21.0, 30.0, 0.0}}) {
        std::vector<Frame> rest;
        for (const Frame& f : frames)
            if (f.t >= from && f.t < to)
                rest.push_back(f);
        const auto [mean, deviation] = meanAndDeviation(rest);
        EXPECT_NEAR(mean, level, 0.1) << from;
        EXPECT_NEAR(deviation, 0.5, 0.05) << from;
    }
    // The steps come at 10 s and 20 s: the last frame before each is at the old level, a few
    // frames later the weight is at the new one.
    for (const auto& [at, before, after] : {std::tuple{10.0, 0.0, 200.0}, {20.0, 200.0, 0.0}}) {
        const auto first = std::find_if(frames.begin(), frames.end(),
                                        [at = at](const Frame& f) { return f.t > at; });
        ASSERT_NE(first, frames.end());
        EXPECT_NEAR(std::prev(first)->divisions, before, 3.0) << at;
        EXPECT_NEAR((first + 6)->divisions, after, 3.0) << at;
    }

    DeviceModel again(o);
    const auto repeated = signalFrames(again, 0.0, 30.0);
    ASSERT_EQ(repeated.size(), frames.size());
    EXPECT_TRUE(
        std::equal(frames.begin(), frames.end(), repeated.begin(),
                   [](const Frame& a, const Frame& b) { return a.divisions == b.divisions; }))
        << "the same seed, the same stream";
    o.seed = 8;
    DeviceModel other(o);
    EXPECT_NE(signalFrames(other, 0.0, 1.0)[50].divisions, frames[50].divisions);
}

TEST(TestSignal, WeightFollowsEachStepWithTheLagTheFilterRegistersSet)
{
    struct Case
    {
        std::uint8_t filter1, filter2;
        double tau; // frame period x 2^filter2 / 4
    };
    for (const Case c :
         {Case{0, 2, 0.0075}, Case{3, 4, 0.24}, Case{1, 0, 0.00375}, Case{2, 6, 0.48}}) {
        SimOptions o;
        o.signal = {true, 0.0, 100.0, 5.0};
        DeviceModel model(o);
        for (const auto& [reg, value] :
             {std::pair{REG_FILTER1, c.filter1}, {REG_FILTER2, c.filter2}}) {
            const auto r = makeRequest(ACCESS_REG_WRITE | 1, reg, value);
            ASSERT_EQ(model.handle(r.data(), 0.0).size(), 2u);
        }
        EXPECT_DOUBLE_EQ(model.process().timeConstant(), c.tau) << int(c.filter2);
        // Up at 5 s, down at 10 s; one stream count is 0.05 divisions.
        for (const Frame& f : signalFrames(model, 0.0, 15.0)) {
            const double expected = f.t < 5.0    ? 0.0
                                    : f.t < 10.0 ? 100.0 * (1.0 - std::exp(-(f.t - 5.0) / c.tau))
                                                 : 100.0 * std::exp(-(f.t - 10.0) / c.tau);
            ASSERT_NEAR(f.divisions, expected, 0.03)
                << "filter " << int(c.filter1) << "/" << int(c.filter2) << " at " << f.t;
        }
    }
}

} // namespace
