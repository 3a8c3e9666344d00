// The transfer dialog against the simulated indicator over a real pseudo-terminal. The link
// runs on virtual time, so the pauses cost nothing and a whole write takes seconds; what the
// indicator received and holds afterwards is the evidence.
#include "link/Crc8.h"
#include "link/DeviceMap.h"
#include "link/Link.h"
#include "link/PosixSerialPort.h"
#include "memory/ImageWriter.h"
#include "memory/TransferDialog.h"
#include "settings/SettingsValues.h"
#include "ui/MessagePopup.h"
#include "sim/Simulator.h"

#include "support/VirtualClock.h"
#include "support/WaitFor.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <vector>

namespace korvel {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Outcome = TFormReadWriteEEPROM::Outcome;

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

class TransferSimTest : public ::testing::Test
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

    struct Run
    {
        Outcome outcome = Outcome::Running;
        QString lastProgress;
        QString backup;
    };

    // Runs one dialog until it has closed and gone. `setUp` may hook into it before it shows.
    Run run(TransferMode mode, const MemoryArea& area,
            const std::function<void(TFormReadWriteEEPROM*)>& setUp = {}, bool allBytes = false)
    {
        TransferJob job;
        job.mode = mode;
        job.writeAllBytes = allBytes;
        job.area = area;
        job.fileName = &fileName;
        job.backupFolder = backupFolder();
        QPointer<TFormReadWriteEEPROM> d = new TFormReadWriteEEPROM(*link, job);
        d->showMessage = [this](const PopupMessage& m) { messages << m.text; };
        Run r;
        bool closed = false;
        QObject::connect(d, &TFormReadWriteEEPROM::closed, [&] {
            closed = true;
            r.outcome = d->outcome();
            r.lastProgress = d->laZagruzka()->text();
            r.backup = d->backupPath();
        });
        if (setUp)
            setUp(d);
        d->show();
        EXPECT_TRUE(test::waitFor([&] { return closed; }, 120000)) << "the dialog never closed";
        EXPECT_TRUE(test::waitFor([&] { return d.isNull(); }, 5000)) << "the dialog stayed";
        return r;
    }

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
    Uperemen settings;
    std::unique_ptr<Link> link;
    QTemporaryDir dir;
    QString fileName;
    QStringList messages;
};

TEST_F(TransferSimTest, ReadingAnAreaStoresExactlyTheIndicatorsBytes)
{
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    struct Case
    {
        MemoryArea area;
        qsizetype characters;
        const char* lastProgress;
    };
    for (const Case& c : {Case{MemoryArea::eeprom(), 6416, "87,5% (Page = 07h)"},
                          Case{MemoryArea::fm(), 96240, "99,2% (Page = 7Fh)"}}) {
        SCOPED_TRACE(c.area.name.toStdString());
        sim->setMemoryByte(c.area.firstPage, 0, 0x3C);
        const QString target = dir.filePath(c.area.name + QStringLiteral(".EEPROM"));
        { // an older file of that name is replaced
            QFile old(target);
            ASSERT_TRUE(old.open(QIODevice::WriteOnly));
            old.write("old");
        }
        fileName = target;
        std::vector<int> pagesShown;
        bool closeRefused = false;
        const Run r = run(TransferMode::Reading, c.area, [&](TFormReadWriteEEPROM* d) {
            QObject::connect(d->ReadWriteProgressBar(), &QProgressBar::valueChanged, [&, d](int v) {
                pagesShown.push_back(v);
                if (v == c.area.firstPage + 2)
                    closeRefused = !d->close(); // the window system asks mid-transfer
            });
        });
        EXPECT_EQ(r.outcome, Outcome::Completed);
        EXPECT_TRUE(closeRefused);
        const QByteArray text = readFile(target);
        EXPECT_EQ(text.size(), c.characters);
        EXPECT_EQ(text, imageText(area(c.area)));
        EXPECT_TRUE(text.startsWith("3C "));
        EXPECT_EQ(r.lastProgress, c.lastProgress) << "a read shows no 100 % text";
        EXPECT_EQ(fileName, "") << "a completed read clears the dialog's name";
        EXPECT_EQ(pagesShown.back(), c.area.endPage) << "the bar ends full";
        EXPECT_TRUE(messages.isEmpty());
        EXPECT_TRUE(memWrites().empty());
    }
}

TEST_F(TransferSimTest, WritingMakesTheMemoryEqualTheFileAfterABackup)
{
    struct Case
    {
        const char* name;
        MemoryArea source; // the area the file was made for
    };
    const MemoryArea eeprom = MemoryArea::eeprom();
    for (const Case& c : {Case{"an EEPROM image", eeprom}, Case{"an FM image", MemoryArea::fm()}}) {
        SCOPED_TRACE(c.name);
        messages.clear();
        sim->clearRequests();
        const Bytes before = area(eeprom);
        const Bytes fmBefore = area(MemoryArea::fm());
        const Bytes image = changed(c.source);
        fileName = writeSource(imageText(image));

        const Run r = run(TransferMode::Writing, eeprom);
        EXPECT_EQ(r.outcome, Outcome::Completed);
        EXPECT_EQ(area(eeprom), Bytes(image.begin(), image.begin() + eeprom.bytes()));
        EXPECT_EQ(area(MemoryArea::fm()), fmBefore) << "only the first 2048 values are sent";
        // The bytes that differed from the indicator's, each once (the second case's image
        // shares some values with what the first one left).
        std::size_t differing = 0;
        for (int i = 0; i < eeprom.bytes(); ++i)
            differing += before[static_cast<std::size_t>(i)] != image[static_cast<std::size_t>(i)];
        EXPECT_EQ(memWrites().size(), differing);
        EXPECT_EQ(lastRequest(), request(ACCESS_REG_WRITE | 1, REG_COMMAND, CMD_WRITE_DONE));
        EXPECT_EQ(r.lastProgress, "100% (Page = 07h)");

        ASSERT_FALSE(r.backup.isEmpty());
        EXPECT_EQ(readFile(r.backup), imageText(before)) << "the backup is the memory before";
        EXPECT_EQ(fileName, "") << "the source's name is cleared once loaded";
        ASSERT_EQ(messages.size(), 1);
        EXPECT_TRUE(messages[0].contains(QStringLiteral("завершена")));
        EXPECT_TRUE(messages[0].contains(r.backup));
    }
    EXPECT_EQ(backups().size(), 2);
    EXPECT_EQ(sim->writeDoneCount(), 2);
}

// Sixteen bytes spread over pages 0, 3 and 7, as a restore of a slightly older backup.
const std::vector<std::pair<int, int>> kSixteen = {
    {0, 0},  {0, 1},  {0, 200}, {0, 255}, {3, 5},   {3, 6},   {3, 31},  {3, 100},
    {3, 101}, {3, 254}, {7, 0}, {7, 17}, {7, 18}, {7, 128}, {7, 129}, {7, 255}};

TEST_F(TransferSimTest, AWriteSendsOnlyTheBytesThatDifferAndReadsTheAreaBack)
{
    const MemoryArea eeprom = MemoryArea::eeprom();
    const Bytes before = area(eeprom);
    Bytes image = before;
    std::vector<MemWrite> expected;
    for (const auto& [page, offset] : kSixteen) {
        auto& b = image[static_cast<std::size_t>(page * 256 + offset)];
        b = static_cast<std::uint8_t>(~b);
        expected.push_back({page, offset, b});
    }
    struct Case
    {
        const char* name;
        Bytes image;
        bool allBytes;
        std::size_t writes;
        int writeDone;
        QStringList says;
    };
    const Case cases[] = {
        {"sixteen bytes differ", image, false, 16, 1,
         {"завершена и проверена", "Записано байт: 16 из 2048."}},
        {"all bytes asked for", image, true, 2048, 1,
         {"завершена и проверена", "Записано байт: 2048 из 2048."}},
        // Still ended: an earlier write of the same file may have missed its end.
        {"nothing differs", before, false, 0, 1, {"EEPROM уже совпадает с файлом"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        messages.clear();
        setArea(eeprom, before);
        sim->clearRequests();
        const int doneBefore = sim->writeDoneCount();
        fileName = writeSource(imageText(c.image));
        const Run r = run(TransferMode::Writing, eeprom,
                          [&](TFormReadWriteEEPROM*) {}, c.allBytes);
        EXPECT_EQ(r.outcome, Outcome::Completed);
        EXPECT_EQ(area(eeprom), c.image);
        const std::vector<MemWrite> writes = memWrites();
        EXPECT_EQ(writes.size(), c.writes);
        if (c.writes == 16) {
            EXPECT_EQ(writes, expected) << "exactly the differing bytes, in page order";
        }
        EXPECT_EQ(sim->writeDoneCount() - doneBefore, c.writeDone);
        // The backup, then the pages written, then the read-back of the whole area.
        const int pagesRead = c.writes == 0 ? 8 : 16;
        EXPECT_EQ(pageReads(), pagesRead);
        if (c.writes == 16) {
            EXPECT_EQ(pageSelects(), pagesRead + 3) << "a select only for pages 0, 3 and 7";
        }
        if (c.writes == 0) {
            EXPECT_EQ(pageSelects(), 8) << "the backup's selects only";
        }
        EXPECT_EQ(lastRequest(), request(ACCESS_REG_WRITE | 1, REG_COMMAND, CMD_WRITE_DONE));
        expectOneMessage(c.says, r.backup);
    }
}

TEST_F(TransferSimTest, AByteThatDidNotTakeIsWrittenOnceMoreAndReportedIfItStillDiffers)
{
    const MemoryArea eeprom = MemoryArea::eeprom();
    const Bytes before = area(eeprom);
    Bytes image = before;
    for (const auto& [page, offset] : kSixteen)
        image[static_cast<std::size_t>(page * 256 + offset)] ^= 0x5A;
    const int lostPage = 3, lostOffset = 31;
    const std::uint8_t old = before[lostPage * 256 + lostOffset];
    const std::uint8_t wanted = image[lostPage * 256 + lostOffset];
    struct Case
    {
        const char* name;
        int lostTimes;
        Outcome outcome;
        QStringList says;
    };
    const auto hex = [](int v) { return QString::number(v, 16).rightJustified(2, '0').toUpper(); };
    const QString pair =
        QStringLiteral("03:1F: ожидалось %1, прочитано %2").arg(hex(wanted), hex(old));
    const Case cases[] = {
        // Sixteen distinct bytes, one of them twice: the count never runs past the area.
        {"lost once, lands when written again", 1, Outcome::Completed,
         {"завершена и проверена", "Записано байт: 16 из 2048.", "Записано повторно: 1."}},
        {"never lands", -1, Outcome::NotVerified,
         {"нашла расхождения", "Не совпадает байт: 1", pair, "Записано байт: 16 из 2048.",
          "Записано повторно: 1."}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        messages.clear();
        setArea(eeprom, before);
        sim::SimFaults lose;
        lose.loseWritePage = lostPage;
        lose.loseWriteOffset = lostOffset;
        lose.loseWriteTimes = c.lostTimes;
        sim->setFaults(lose);
        sim->clearRequests();
        const int doneBefore = sim->writeDoneCount();
        fileName = writeSource(imageText(image));
        const Run r = run(TransferMode::Writing, eeprom);
        EXPECT_EQ(r.outcome, c.outcome);
        const std::vector<MemWrite> writes = memWrites();
        ASSERT_EQ(writes.size(), 17u) << "the sixteen, then the one that did not take";
        EXPECT_EQ(writes.back(), (MemWrite{lostPage, lostOffset, wanted}));
        // Backup and read-back of the area, then page 3 alone once more.
        EXPECT_EQ(pageReads(), 8 + 8 + 1);
        Bytes held = image;
        if (c.lostTimes < 0)
            held[lostPage * 256 + lostOffset] = old;
        EXPECT_EQ(area(eeprom), held);
        EXPECT_EQ(sim->writeDoneCount() - doneBefore, 1) << "the end of the write is sent once";
        EXPECT_EQ(lastRequest(), request(ACCESS_REG_WRITE | 1, REG_COMMAND, CMD_WRITE_DONE));
        expectOneMessage(c.says, r.backup);
    }
}

// Once every byte has gone out, the write is ended with the end-of-write command however the
// read-back goes: without it the indicator would not take the new content into use, and a
// second write of the file would find nothing to send.
TEST_F(TransferSimTest, AReadBackCutShortStillEndsTheWrite)
{
    const MemoryArea eeprom = MemoryArea::eeprom();
    enum class Fault { Cancel, ReadsFail, FallsSilent };
    struct Case
    {
        const char* name;
        Fault fault; // at page 3 of the read-back, or from its start (ReadsFail)
        Outcome outcome;
        int writeDone; // end-of-write commands the indicator took
        QStringList says;
        bool endLost;
    };
    const Case cases[] = {
        {"Cancel", Fault::Cancel, Outcome::Cancelled, 1, {"проверка прервана"}, false},
        {"page reads failing on the link", Fault::ReadsFail, Outcome::LinkFailed, 1,
         {TFormMessage::defaultText(), "могла остаться неполной"}, false},
        {"a silent indicator", Fault::FallsSilent, Outcome::LinkFailed, 0,
         {TFormMessage::defaultText(), "могла остаться неполной", "не дошла до прибора",
          "запишите этот файл ещё раз"},
         true},
    };
    const auto writeDone = request(ACCESS_REG_WRITE | 1, REG_COMMAND, CMD_WRITE_DONE);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        messages.clear();
        sim::SimFaults faults;
        if (c.fault == Fault::ReadsFail)
            faults.failReadsAfterWrites = eeprom.bytes();
        sim->setFaults(faults);
        sim->clearRequests();
        const int doneBefore = sim->writeDoneCount();
        const Bytes image = changed(eeprom);
        const QByteArray text = imageText(image);
        fileName = writeSource(text);
        bool written = false, readBack = false, acted = false;
        const Run r = run(TransferMode::Writing, eeprom, [&](TFormReadWriteEEPROM* d) {
            QPushButton* cancel = d->btnCancel();
            watched.onWrite = [&, cancel](const std::uint8_t* b, std::size_t size) {
                if (size != 4 || c.fault == Fault::ReadsFail)
                    return;
                written = written || (b[0] & 0xC0) == ACCESS_MEM_WRITE;
                readBack = readBack || (written && (b[0] & 0xC0) == ACCESS_MEM_READ);
                const bool select = (b[0] & 0xC0) == ACCESS_REG_WRITE && b[1] == REG_PAGE;
                if (!readBack || !select || b[2] != 3 || acted)
                    return;
                acted = true;
                if (c.fault == Fault::Cancel) {
                    QMetaObject::invokeMethod(cancel, &QPushButton::click, Qt::QueuedConnection);
                } else {
                    sim::SimFaults silent;
                    silent.silent = true;
                    sim->setFaults(silent);
                }
            };
        });
        watched.onWrite = nullptr;
        sim->setFaults({});
        EXPECT_EQ(r.outcome, c.outcome);
        EXPECT_EQ(area(eeprom), image) << "every byte had gone out before the read-back";
        EXPECT_EQ(memWrites().size(), 2048u);
        EXPECT_EQ(lastRequest(), writeDone) << "the write ends with its end-of-write command";
        EXPECT_EQ(sim->writeDoneCount() - doneBefore, c.writeDone);
        ASSERT_EQ(messages.size(), 1);
        for (const QString& part : c.says)
            EXPECT_TRUE(messages[0].contains(part)) << messages[0].toStdString();
        EXPECT_EQ(messages[0].contains(QStringLiteral("не дошла")), c.endLost);
        EXPECT_TRUE(messages[0].contains(QStringLiteral("Записано байт: 2048 из 2048.")));
        EXPECT_TRUE(messages[0].contains(r.backup));
        if (!c.endLost)
            continue;

        // The same file once more: nothing differs now, and the missed end is sent.
        messages.clear();
        sim->clearRequests();
        fileName = writeSource(text);
        EXPECT_EQ(run(TransferMode::Writing, eeprom).outcome, Outcome::Completed);
        EXPECT_TRUE(memWrites().empty());
        EXPECT_EQ(pageReads(), 8) << "the backup only, no read-back";
        EXPECT_EQ(lastRequest(), writeDone);
        EXPECT_EQ(sim->writeDoneCount() - doneBefore, 1);
        ASSERT_EQ(messages.size(), 1);
        EXPECT_TRUE(messages[0].contains(QStringLiteral("EEPROM уже совпадает с файлом")));
    }
}

// A byte that did not take is written once more; when that rewrite is cut short, every byte
// has still gone out once, so the write is ended all the same.
TEST_F(TransferSimTest, ARewriteCutShortStillEndsTheWrite)
{
    const MemoryArea eeprom = MemoryArea::eeprom();
    const Bytes before = area(eeprom);
    Bytes image = before;
    for (const auto& [page, offset] : kSixteen)
        image[static_cast<std::size_t>(page * 256 + offset)] ^= 0x3C;
    struct Case
    {
        const char* name;
        bool cancel; // else the rewrite is refused on the link
        Outcome outcome;
        QString says;
        std::size_t writes; // byte writes heard, refused tries included
    };
    const Case cases[] = {
        // The rewrite is a single byte, the last there is: the Cancel is seen by the
        // read-back of its page, after it.
        {"Cancel", true, Outcome::Cancelled, QStringLiteral("проверка прервана"), 17},
        {"a refused rewrite", false, Outcome::LinkFailed,
         QStringLiteral("могла остаться неполной"), 16 + 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        messages.clear();
        setArea(eeprom, before);
        sim::SimFaults lose;
        lose.loseWritePage = 3;
        lose.loseWriteOffset = 31;
        sim->setFaults(lose);
        sim->clearRequests();
        const int doneBefore = sim->writeDoneCount();
        fileName = writeSource(imageText(image));
        bool written = false, acted = false;
        int selected = -1;
        const Run r = run(TransferMode::Writing, eeprom, [&](TFormReadWriteEEPROM* d) {
            QPushButton* cancel = d->btnCancel();
            watched.onWrite = [&, cancel](const std::uint8_t* b, std::size_t size) {
                if (size != 4)
                    return;
                written = written || (b[0] & 0xC0) == ACCESS_MEM_WRITE;
                if ((b[0] & 0xC0) == ACCESS_REG_WRITE && b[1] == REG_PAGE)
                    selected = b[2];
                // The read-back's last page is on the line: the rewrite comes next.
                if (!written || (b[0] & 0xC0) != ACCESS_MEM_READ || selected != 7 || acted)
                    return;
                acted = true;
                if (c.cancel) {
                    QMetaObject::invokeMethod(cancel, &QPushButton::click, Qt::QueuedConnection);
                } else {
                    sim::SimFaults refuse;
                    refuse.failWritePage = 3;
                    refuse.failWriteOffset = 31;
                    sim->setFaults(refuse);
                }
            };
        });
        watched.onWrite = nullptr;
        sim->setFaults({});
        ASSERT_TRUE(acted);
        EXPECT_EQ(r.outcome, c.outcome);
        EXPECT_EQ(memWrites().size(), c.writes);
        EXPECT_EQ(lastRequest(), request(ACCESS_REG_WRITE | 1, REG_COMMAND, CMD_WRITE_DONE));
        EXPECT_EQ(sim->writeDoneCount() - doneBefore, 1);
        expectOneMessage({c.says, QStringLiteral("Записано байт: 16 из 2048.")}, r.backup);
    }
}

TEST_F(TransferSimTest, ACancelSeenAtTheLastByteIsTakenByTheReadBack)
{
    // The only byte that differs is also the first of its page, where the window is looked
    // at: with nothing left to stop, the write goes on to the read-back, which takes the
    // Cancel, and the write is ended.
    const MemoryArea eeprom = MemoryArea::eeprom();
    Bytes image = area(eeprom);
    image[5 * 256 + 64] ^= 0xFF;
    fileName = writeSource(imageText(image));
    bool clicked = false;
    const Run r = run(TransferMode::Writing, eeprom, [&](TFormReadWriteEEPROM* d) {
        QPushButton* cancel = d->btnCancel();
        watched.onWrite = [&, cancel](const std::uint8_t* b, std::size_t size) {
            if (size == 4 && (b[0] & 0xC0) == ACCESS_MEM_WRITE && !clicked) {
                clicked = true;
                QMetaObject::invokeMethod(cancel, &QPushButton::click, Qt::QueuedConnection);
            }
        };
    });
    watched.onWrite = nullptr;
    ASSERT_TRUE(clicked);
    EXPECT_EQ(r.outcome, Outcome::Cancelled);
    EXPECT_EQ(memWrites(), (std::vector<MemWrite>{{5, 64, image[5 * 256 + 64]}}));
    EXPECT_EQ(area(eeprom), image);
    EXPECT_EQ(sim->writeDoneCount(), 1);
    expectOneMessage(
        {QStringLiteral("проверка прервана"), QStringLiteral("Записано байт: 1 из 2048.")},
        r.backup);
}

TEST_F(TransferSimTest, CancelDuringAReadLeavesTheFileAndTheNameAlone)
{
    const QString target = dir.filePath(QStringLiteral("kept.EEPROM"));
    fileName = target;
    const Run r = run(TransferMode::Reading, MemoryArea::eeprom(), [](TFormReadWriteEEPROM* d) {
        QObject::connect(d->ReadWriteProgressBar(), &QProgressBar::valueChanged, [d](int v) {
            if (v == 3)
                d->btnCancel()->click();
        });
    });
    EXPECT_EQ(r.outcome, Outcome::Cancelled);
    EXPECT_FALSE(QFile::exists(target));
    EXPECT_EQ(fileName, target);
    EXPECT_EQ(lastRequest(), request(ACCESS_REG_WRITE | 1, REG_PAGE, 3))
        << "the cancel is noticed right after the page select";
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(TransferSimTest, CancelAtOffsetTwentyWritesUpToOffsetThirtyTwo)
{
    const MemoryArea eeprom = MemoryArea::eeprom();
    const Bytes before = area(eeprom);
    const Bytes image = changed(eeprom);
    fileName = writeSource(imageText(image));
    const Run r = run(TransferMode::Writing, eeprom, [](TFormReadWriteEEPROM* d) {
        QObject::connect(d->WriteSubProgressBar(), &QProgressBar::valueChanged, [d](int offset) {
            if (offset == 20 && d->ReadWriteProgressBar()->value() == 2)
                d->btnCancel()->click();
        });
    });
    EXPECT_EQ(r.outcome, Outcome::Cancelled);
    const std::vector<MemWrite> writes = memWrites();
    ASSERT_EQ(writes.size(), 2u * 256 + 33);
    EXPECT_EQ(writes.back(), (MemWrite{2, 32, image[2 * 256 + 32]}));

    Bytes expected = before;
    std::copy(image.begin(), image.begin() + 2 * 256 + 33, expected.begin());
    EXPECT_EQ(area(eeprom), expected);
    EXPECT_EQ(sim->writeDoneCount(), 0);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains(QStringLiteral("прервана")));
    EXPECT_TRUE(messages[0].contains(r.backup));
}

TEST_F(TransferSimTest, ACancelDuringTheBackupsLastPageReadWritesNothing)
{
    // The click arrives while the last page of the backup is on the line, after the last look
    // at the window the backup's loop takes; it is to be seen before the write begins.
    const MemoryArea eeprom = MemoryArea::eeprom();
    const Bytes before = area(eeprom);
    fileName = writeSource(imageText(changed(eeprom)));
    int selected = -1;
    bool clicked = false;
    const Run r = run(TransferMode::Writing, eeprom, [&](TFormReadWriteEEPROM* d) {
        QPushButton* cancel = d->btnCancel();
        watched.onWrite = [&, cancel](const std::uint8_t* b, std::size_t size) {
            if (size != 4)
                return;
            if ((b[0] & 0xC0) == ACCESS_REG_WRITE && b[1] == REG_PAGE)
                selected = b[2];
            const bool pageRead = (b[0] & 0xC0) == ACCESS_MEM_READ;
            if (pageRead && selected == eeprom.endPage - 1 && !clicked) {
                clicked = true;
                QMetaObject::invokeMethod(cancel, &QPushButton::click, Qt::QueuedConnection);
            }
        };
    });
    watched.onWrite = nullptr;
    ASSERT_TRUE(clicked);
    EXPECT_EQ(r.outcome, Outcome::Cancelled);
    EXPECT_TRUE(memWrites().empty()) << "a byte reached the indicator";
    EXPECT_EQ(lastRequest()[0], ACCESS_MEM_READ | 1)
        << "nothing after the backup's last page read, not even a page select";
    EXPECT_EQ(area(eeprom), before);
    EXPECT_EQ(sim->writeDoneCount(), 0);
    EXPECT_EQ(backups().size(), 1u) << "the backup itself was complete and stays";
}

TEST_F(TransferSimTest, LinkFailures)
{
    const MemoryArea eeprom = MemoryArea::eeprom();
    struct Case
    {
        const char* name;
        TransferMode mode;
        sim::SimFaults faults;
        QString says;
        std::size_t stored; // bytes of the image in the memory afterwards
        bool backup;
    };
    sim::SimFaults firstSelect, backupRead, byteWrite;
    firstSelect.failPageSelect = 0;
    backupRead.failPageSelect = 3;
    byteWrite.failWritePage = 1;
    byteWrite.failWriteOffset = 5;
    const Case cases[] = {
        {"the first page select of a read", TransferMode::Reading, firstSelect,
         TFormMessage::defaultText(), 0, false},
        {"a page select while the backup is read", TransferMode::Writing, backupRead,
         QStringLiteral("Резервная копия не прочитана"), 0, false},
        {"a byte write", TransferMode::Writing, byteWrite,
         QStringLiteral("Запись в EEPROM прервана"), 256 + 5, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QDir(backupFolder()).removeRecursively();
        messages.clear();
        sim->clearRequests();
        sim->setFaults(c.faults);
        const Bytes before = area(eeprom);
        const Bytes image = changed(eeprom);
        const QString target = dir.filePath(QStringLiteral("target.EEPROM"));
        fileName = c.mode == TransferMode::Reading ? target : writeSource(imageText(image));

        const Run r = run(c.mode, eeprom);
        EXPECT_EQ(r.outcome, Outcome::LinkFailed);
        ASSERT_EQ(messages.size(), 1);
        EXPECT_TRUE(messages[0].startsWith(TFormMessage::defaultText()))
            << messages[0].toStdString();
        EXPECT_TRUE(messages[0].contains(c.says)) << messages[0].toStdString();
        EXPECT_FALSE(QFile::exists(target));
        EXPECT_EQ(fileName, "");
        EXPECT_EQ(sim->writeDoneCount(), 0);
        EXPECT_EQ(backups().size(), c.backup ? 1u : 0u);
        Bytes expected = before;
        std::copy(image.begin(), image.begin() + static_cast<long>(c.stored), expected.begin());
        EXPECT_EQ(area(eeprom), expected) << "the pages before written, the failing one in part";
        const std::vector<MemWrite> writes = memWrites();
        if (c.stored == 0) {
            EXPECT_TRUE(writes.empty());
        } else {
            ASSERT_FALSE(writes.empty());
            EXPECT_EQ(writes.back(), (MemWrite{1, 5, image[c.stored]})) << "nothing after it";
            EXPECT_TRUE(messages[0].contains(r.backup));
        }
    }
}

TEST_F(TransferSimTest, ARefusedOrMissingSourceNeverTouchesTheIndicator)
{
    const MemoryArea eeprom = MemoryArea::eeprom();
    const Bytes before = area(eeprom);
    struct Case
    {
        const char* name;
        std::optional<QByteArray> text; // nullopt: the file is gone
        Outcome outcome;
        QStringList says;
    };
    const QByteArray full = imageText(changed(eeprom));
    const Case cases[] = {
        {"too few values", full.left(full.size() / 2), Outcome::Refused, {"1024", "2048"}},
        {"a line that is not a value", full + "#end", Outcome::Refused, {"Строка 137", "#end"}},
        {"a value over FF", full + "1FF", Outcome::Refused, {"Строка 137", "1FF", "больше FF"}},
        {"the source was deleted after it was chosen", std::nullopt, Outcome::SourceMissing, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        messages.clear();
        sim->clearRequests();
        fileName = c.text ? writeSource(*c.text) : dir.filePath(QStringLiteral("gone.EEPROM"));
        const Run r = run(TransferMode::Writing, eeprom);
        EXPECT_EQ(r.outcome, c.outcome);
        EXPECT_TRUE(sim->requests().empty()) << "something went on the wire";
        EXPECT_EQ(messages.size(), c.says.isEmpty() ? 0 : 1);
        for (const QString& part : c.says)
            EXPECT_TRUE(!messages.isEmpty() && messages[0].contains(part)) << part.toStdString();
        EXPECT_TRUE(backups().isEmpty());
    }
    EXPECT_EQ(area(eeprom), before);
}

} // namespace
} // namespace korvel
