#pragma once
// The simulated indicator on a real pseudo-terminal, with a link on virtual time, for the
// memory transfer's tests (the engine alone and the dialog that drives it): the pauses cost
// nothing and a whole write takes seconds; what the indicator received and holds afterwards is
// the evidence. QtCore only.
#include "link/Crc8.h"
#include "link/DeviceMap.h"
#include "link/Link.h"
#include "link/LinkSettings.h"
#include "link/PosixSerialPort.h"
#include "memory/ImageWriter.h"
#include "memory/MemoryArea.h"
#include "sim/Simulator.h"

#include "support/VirtualClock.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

namespace korvel::test {

using Bytes = std::vector<std::uint8_t>;

struct MemWrite
{
    int page, offset, value;
    bool operator==(const MemWrite&) const = default;
};

// The real port, with a look at every request as it goes out: lets a test act at an exact
// point of a transfer, e.g. while a given page is being read.
class WatchedPort : public SerialPort
{
public:
    explicit WatchedPort(PosixSerialPort& port) : port_(port) {}
    std::function<void(const std::uint8_t* request, std::size_t size)> onWrite;

    PortOpenResult open(const std::string& name, int baud, int timeoutMs) override
    {
        return port_.open(name, baud, timeoutMs);
    }
    void close() override { port_.close(); }
    PortState state() const override { return port_.state(); }
    bool setReadTimeout(int ms) override { return port_.setReadTimeout(ms); }
    int readTimeoutMs() const override { return port_.readTimeoutMs(); }
    std::size_t read(std::uint8_t* buffer, std::size_t count) override
    {
        return port_.read(buffer, count);
    }
    std::size_t readAvailable(std::uint8_t* buffer, std::size_t count) override
    {
        return port_.readAvailable(buffer, count);
    }
    int readyDescriptor() const override { return port_.readyDescriptor(); }
    bool deviceLost() const override { return port_.deviceLost(); }
    std::size_t write(const std::uint8_t* data, std::size_t count) override
    {
        const std::size_t written = port_.write(data, count);
        if (onWrite)
            onWrite(data, count);
        return written;
    }
    void purgeRx() override { port_.purgeRx(); }

private:
    PosixSerialPort& port_;
};

class MemorySimTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        sim = std::make_unique<sim::Simulator>(sim::SimOptions{});
        std::string error;
        ASSERT_TRUE(sim->start(&error)) << error;
        ASSERT_EQ(port.open(sim->slavePath(), 9600, 2000).status, PortOpenStatus::Ok);
        link = std::make_unique<Link>(watched, clock, settings);
    }

    void TearDown() override { QLocale::setDefault(QLocale::c()); }

    QString backupFolder() const { return dir.filePath(QStringLiteral("backup")); }
    QStringList backups() const { return QDir(backupFolder()).entryList(QDir::Files); }

    Bytes area(const MemoryArea& a) const
    {
        Bytes out;
        for (int p = a.firstPage; p < a.endPage; ++p) {
            const auto page = sim->memoryPage(p);
            out.insert(out.end(), page.begin(), page.end());
        }
        return out;
    }

    static QByteArray imageText(const Bytes& bytes)
    {
        QStringList lines;
        for (std::size_t at = 0; at + MEM_PAGE_SIZE <= bytes.size(); at += MEM_PAGE_SIZE)
            lines << FormatImagePage(bytes.data() + at);
        return ImageFileText(lines);
    }

    QString writeSource(const QByteArray& text)
    {
        const QString path = dir.filePath(QStringLiteral("source.EEPROM"));
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
        return path;
    }

    static QByteArray readFile(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    // The memory writes the indicator received, with the page selected at the time.
    std::vector<MemWrite> memWrites() const
    {
        std::vector<MemWrite> out;
        int page = 0;
        for (const auto& r : sim->requests()) {
            const auto& b = r.bytes;
            if (!r.crcValid || b.size() != 4 || (b[0] & 0x80))
                continue;
            if ((b[0] & 0x40) == 0 && b[1] == REG_PAGE)
                page = b[2];
            else if (b[0] & 0x40)
                out.push_back({page, b[1], b[2]});
        }
        return out;
    }

    // One popup, saying every part and naming the backup.
    void expectOneMessage(const QStringList& parts, const QString& backup) const
    {
        ASSERT_EQ(messages.size(), 1);
        for (const QString& part : parts)
            EXPECT_TRUE(messages[0].contains(part)) << messages[0].toStdString();
        EXPECT_TRUE(messages[0].contains(backup)) << messages[0].toStdString();
    }

    void setArea(const MemoryArea& a, const Bytes& bytes)
    {
        for (std::size_t i = 0; i < bytes.size(); ++i)
            sim->setMemoryByte(a.firstPage + static_cast<int>(i / 256), static_cast<int>(i % 256),
                               bytes[i]);
    }

    // Page selects and page reads the indicator received.
    int pageSelects() const
    {
        int n = 0;
        for (const auto& r : sim->requests())
            n += r.bytes.size() == 4 && (r.bytes[0] & 0xC0) == 0 && r.bytes[1] == REG_PAGE;
        return n;
    }
    int pageReads() const
    {
        int n = 0;
        for (const auto& r : sim->requests())
            n += r.bytes.size() == 4 && (r.bytes[0] & 0xC0) == ACCESS_MEM_READ;
        return n;
    }

    std::vector<std::uint8_t> lastRequest() const
    {
        const auto r = sim->requests();
        return r.empty() ? std::vector<std::uint8_t>{} : r.back().bytes;
    }

    static std::vector<std::uint8_t> request(std::uint8_t first, std::uint8_t reg, std::uint8_t v)
    {
        const std::uint8_t b[3] = {first, reg, v};
        return {first, reg, v, Crc8(b, 3)};
    }

    // Every byte of the area turned into something it was not.
    Bytes changed(const MemoryArea& a) const
    {
        Bytes b = area(a);
        for (std::size_t i = 0; i < b.size(); ++i)
            b[i] = static_cast<std::uint8_t>(~b[i] ^ (i & 0x0F));
        return b;
    }

    std::unique_ptr<sim::Simulator> sim;
    PosixSerialPort port;
    WatchedPort watched{port};
    test::VirtualClock clock;
    LinkSettings settings;
    std::unique_ptr<Link> link;
    QTemporaryDir dir;
    QString fileName;
    QStringList messages;
};

// Sixteen bytes spread over pages 0, 3 and 7, as a restore of a slightly older backup.
const std::vector<std::pair<int, int>> kSixteen = {
    {0, 0},  {0, 1},  {0, 200}, {0, 255}, {3, 5},   {3, 6},   {3, 31},  {3, 100},
    {3, 101}, {3, 254}, {7, 0}, {7, 17}, {7, 18}, {7, 128}, {7, 129}, {7, 255}};

} // namespace korvel::test
