#pragma once
// The I/O panel's world against the simulated indicator over a real pseudo-terminal: the
// port (with scissors), the link, the poll on a front panel, a stand-in main window and the
// panel's controller. Failures are counted instead of shown.
#include "CuttingPort.h"

#include "dio/IoPanelController.h"
#include "link/DeviceMap.h"
#include "link/Link.h"
#include "link/PosixSerialPort.h"
#include "panel/FrontPanel.h"
#include "panel/PollCycle.h"
#include "settings/SettingsValues.h"
#include "sim/Simulator.h"
#include "support/WaitFor.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <vector>

namespace korvel::test {

// One request the indicator received, by kind.
struct Request
{
    enum Kind { RegWrite, RegRead, MemWrite, MemRead } kind;
    std::uint8_t index; // register or memory offset
    std::uint8_t value; // written value, or count - 1 of a read

    bool operator==(const Request&) const = default;
};

inline std::ostream& operator<<(std::ostream& os, const Request& r)
{
    static const char* kinds[] = {"reg", "read reg", "mem", "read mem"};
    return os << kinds[r.kind] << ' ' << int(r.index) << ':' << int(r.value);
}

inline Request regWrite(std::uint8_t reg, std::uint8_t value)
{
    return {Request::RegWrite, reg, value};
}
inline Request memWrite(std::uint8_t offset, std::uint8_t value)
{
    return {Request::MemWrite, offset, value};
}

using Block = std::array<std::uint8_t, MEM_OUTPUT_CONFIG_COUNT>;

inline std::vector<Request> blockWrites(const Block& written)
{
    std::vector<Request> out;
    for (int i = 0; i < MEM_OUTPUT_CONFIG_COUNT; ++i)
        out.push_back(memWrite(std::uint8_t(MEM_OUTPUT_CONFIG + i), written[i]));
    return out;
}

// The frames of a take-over or release: page 1, read the block, write eight bytes. The first
// take-over of a block also reads which indicator it is, for the journal, before any write.
inline std::vector<Request> blockFrames(const Block& written, bool identified = false)
{
    std::vector<Request> out{regWrite(REG_PAGE, 1), {Request::MemRead, MEM_OUTPUT_CONFIG, 7}};
    if (identified)
        out.push_back({Request::RegRead, REG_IDENT, IDENT_COUNT - 1});
    for (const Request& r : blockWrites(written))
        out.push_back(r);
    return out;
}

class DioRig : public ::testing::Test
{
protected:
    void SetUp() override
    {
        sim = std::make_unique<sim::Simulator>(sim::SimOptions{});
        std::string error;
        ASSERT_TRUE(sim->start(&error)) << error;
        settings.ReadTotalTimeoutConstant = 60; // quick failures
        ASSERT_EQ(posix.open(sim->slavePath(), 9600, settings.ReadTotalTimeoutConstant).status,
                  PortOpenStatus::Ok);
        link = std::make_unique<Link>(port, systemClock(), settings);
        poll = std::make_unique<PollCycle>(*link, settings, face);
        main = std::make_unique<QWidget>(nullptr, Qt::Window | Qt::FramelessWindowHint);
        main->setGeometry(100, 80, 555, 398);
        main->show(); // a hidden window moves without telling anyone
        io = new IoPanelController(*link, settings, *poll, main.get());
        ASSERT_TRUE(journalDir.isValid());
        io->control.journal.setFolder(journalDir.filePath("journal"));
        io->control.showMessage = [this](OutputFailure f) {
            ++messages;
            lastFailure = f;
        };
    }

    void TearDown() override
    {
        main.reset();
        poll.reset();
        link.reset();
    }

    void setBlock(const Block& b)
    {
        for (int i = 0; i < MEM_OUTPUT_CONFIG_COUNT; ++i)
            sim->setMemoryByte(MEM_OUTPUT_CONFIG_PAGE, MEM_OUTPUT_CONFIG + i, b[i]);
    }
    Block deviceBlock() const
    {
        const auto page = sim->memoryPage(MEM_OUTPUT_CONFIG_PAGE);
        Block b{};
        std::copy_n(page.begin() + MEM_OUTPUT_CONFIG, b.size(), b.begin());
        return b;
    }

    std::vector<Request> requests() const
    {
        std::vector<Request> out;
        for (const auto& r : sim->requests()) {
            if (r.bytes.size() != 4 || !r.crcValid)
                continue;
            const bool read = r.bytes[0] & ACCESS_REG_READ;
            const bool mem = r.bytes[0] & ACCESS_MEM_WRITE;
            const Request::Kind kind = read ? (mem ? Request::MemRead : Request::RegRead)
                                            : (mem ? Request::MemWrite : Request::RegWrite);
            out.push_back({kind, r.bytes[1], r.bytes[2]});
        }
        return out;
    }
    int dioReads() const
    {
        int n = 0;
        for (const Request& r : requests())
            n += r.kind == Request::RegRead && r.index == REG_DIO;
        return n;
    }

    QTemporaryDir journalDir;
    std::unique_ptr<sim::Simulator> sim;
    PosixSerialPort posix;
    CuttingPort port{posix};
    Uperemen settings;
    std::unique_ptr<Link> link;
    FrontPanel face;
    std::unique_ptr<PollCycle> poll;
    std::unique_ptr<QWidget> main;
    IoPanelController* io = nullptr; // owned by main
    int messages = 0;
    OutputFailure lastFailure = OutputFailure::None;
};

} // namespace korvel::test
