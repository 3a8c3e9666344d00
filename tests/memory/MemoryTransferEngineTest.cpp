// The memory transfer engine alone, without a window, against the simulated indicator over a
// real pseudo-terminal on virtual time: the frames a read and a write send, the bytes they
// count, the end of write, the points where a Cancel is taken, the backup. No widget is built;
// the end messages are made from the engine's summary as the dialog makes them.
#include "memory/MemoryTransferEngine.h"

#include "device/Indicator.h"
#include "memory/ImageWriter.h"
#include "memory/MemoryMessages.h"

#include "MemorySimTest.h"

#include <QApplication>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

namespace korvel {
namespace {

using namespace korvel::test;
using Outcome = TransferOutcome;
using Step = MemoryTransferEngine::Step;

// The stages of a write that sent its bytes and found them all in place.
const std::vector<TransferStage> kWritten = {TransferStage::Backup, TransferStage::Writing,
                                             TransferStage::Verifying, TransferStage::Finished};

// What the engine reported. A Cancel asked for from the port's side is held until the next
// checkpoint, as a window's click waits for its events to be let run.
struct RecordedProgress : MemoryTransferProgress
{
    void stageBegins(TransferStage stage, const QString&) override { stages.push_back(stage); }
    void pageBegins(int p, const QString& text) override
    {
        page = p;
        pages.push_back(p);
        lastText = text;
    }
    void byteBegins(int offset) override
    {
        if (onByte)
            onByte(page, offset);
    }
    void progressText(const QString& text) override { lastText = text; }
    void allPagesDone() override { allDone = true; }
    void checkpoint() override
    {
        if (cancelPending)
            engine->requestCancel();
    }

    MemoryTransferEngine* engine = nullptr;
    bool cancelPending = false;
    std::function<void(int page, int offset)> onByte;
    std::vector<TransferStage> stages;
    std::vector<int> pages;
    int page = -1;
    QString lastText;
    bool allDone = false;
};

class MemoryTransferEngineTest : public MemorySimTest
{
protected:
    void TearDown() override
    {
        EXPECT_TRUE(QApplication::allWidgets().isEmpty()) << "the engine built a widget";
        MemorySimTest::TearDown();
    }

    // A fresh engine for `a`, its progress record emptied (a hook on the bytes stays).
    MemoryTransferEngine& start(const MemoryArea& a)
    {
        auto onByte = std::move(progress.onByte);
        progress = RecordedProgress{};
        progress.onByte = std::move(onByte);
        if (!indicator)
            indicator = std::make_unique<Indicator>(*link);
        engine = std::make_unique<MemoryTransferEngine>(*indicator, a, progress);
        progress.engine = engine.get();
        return *engine;
    }

    // One write of `image`; the end message the dialog would show goes into `messages`.
    WriteResult write(const MemoryArea& a, const Bytes& image, bool allBytes = false)
    {
        const WriteResult r = start(a).write(image, backupFolder(), allBytes);
        if (r.summarised)
            messages << WriteEndMessage(r.summary, a, r.backupPath).text;
        return r;
    }

    std::unique_ptr<Indicator> indicator;
    RecordedProgress progress;
    std::unique_ptr<MemoryTransferEngine> engine;
};

TEST_F(MemoryTransferEngineTest, AReadBringsTheAreaAsBytesAndImageLines)
{
    for (const MemoryArea& a : {MemoryArea::eeprom(), MemoryArea::fm()}) {
        SCOPED_TRACE(a.name.toStdString());
        sim->setMemoryByte(a.firstPage + 1, 7, 0xA5);
        sim->clearRequests();
        MemoryTransferEngine& e = start(a);
        ASSERT_EQ(e.read(), Step::Done);
        EXPECT_EQ(e.bytes(), area(a));
        EXPECT_EQ(e.bytes()[256 + 7], 0xA5);
        EXPECT_EQ(ImageFileText(e.lines()), imageText(area(a)));
        std::vector<int> pages;
        for (int p = a.firstPage; p < a.endPage; ++p)
            pages.push_back(p);
        EXPECT_EQ(progress.pages, pages);
        EXPECT_EQ(progress.stages, std::vector<TransferStage>{TransferStage::Reading});
        EXPECT_EQ(pageReads(), a.pages());
        EXPECT_TRUE(memWrites().empty());
    }
}

TEST_F(MemoryTransferEngineTest, AWriteSendsOnlyTheBytesThatDifferAndReadsTheAreaBack)
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
        const WriteResult r = write(eeprom, c.image, c.allBytes);
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
        expectOneMessage(c.says, r.backupPath);
        EXPECT_EQ(progress.stages, c.writes == 0 ? std::vector<TransferStage>{TransferStage::Backup}
                                                 : kWritten);
        EXPECT_TRUE(progress.allDone) << "the page bar ends full";
        if (c.writes != 0) {
            EXPECT_EQ(progress.lastText, "100% (Page = 07h)");
        }
    }
}

TEST_F(MemoryTransferEngineTest, AByteThatDidNotTakeIsWrittenOnceMoreAndReportedIfItStillDiffers)
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
        const WriteResult r = write(eeprom, image);
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
        expectOneMessage(c.says, r.backupPath);
        EXPECT_EQ(r.summary.rewritten, 1);
        EXPECT_EQ(progress.stages,
                  (std::vector<TransferStage>{TransferStage::Backup, TransferStage::Writing,
                                              TransferStage::Verifying, TransferStage::Writing,
                                              TransferStage::Verifying, TransferStage::Finished}));
    }
}

// Once every byte has gone out, the write is ended with the end-of-write command however the
// read-back goes: without it the indicator would not take the new content into use, and a
// second write of the file would find nothing to send.
TEST_F(MemoryTransferEngineTest, AReadBackCutShortStillEndsTheWrite)
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
        bool written = false, readBack = false, acted = false;
        watched.onWrite = [&](const std::uint8_t* b, std::size_t size) {
            if (size != 4 || c.fault == Fault::ReadsFail)
                return;
            written = written || (b[0] & 0xC0) == ACCESS_MEM_WRITE;
            readBack = readBack || (written && (b[0] & 0xC0) == ACCESS_MEM_READ);
            const bool select = (b[0] & 0xC0) == ACCESS_REG_WRITE && b[1] == REG_PAGE;
            if (!readBack || !select || b[2] != 3 || acted)
                return;
            acted = true;
            if (c.fault == Fault::Cancel) {
                progress.cancelPending = true;
            } else {
                sim::SimFaults silent;
                silent.silent = true;
                sim->setFaults(silent);
            }
        };
        const WriteResult r = write(eeprom, image);
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
        EXPECT_TRUE(messages[0].contains(r.backupPath));
        if (!c.endLost)
            continue;

        // The same file once more: nothing differs now, and the missed end is sent.
        messages.clear();
        sim->clearRequests();
        EXPECT_EQ(write(eeprom, image).outcome, Outcome::Completed);
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
TEST_F(MemoryTransferEngineTest, ARewriteCutShortStillEndsTheWrite)
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
        bool written = false, acted = false;
        int selected = -1;
        watched.onWrite = [&](const std::uint8_t* b, std::size_t size) {
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
                progress.cancelPending = true;
            } else {
                sim::SimFaults refuse;
                refuse.failWritePage = 3;
                refuse.failWriteOffset = 31;
                sim->setFaults(refuse);
            }
        };
        const WriteResult r = write(eeprom, image);
        watched.onWrite = nullptr;
        sim->setFaults({});
        ASSERT_TRUE(acted);
        EXPECT_EQ(r.outcome, c.outcome);
        EXPECT_EQ(memWrites().size(), c.writes);
        EXPECT_EQ(lastRequest(), request(ACCESS_REG_WRITE | 1, REG_COMMAND, CMD_WRITE_DONE));
        EXPECT_EQ(sim->writeDoneCount() - doneBefore, 1);
        expectOneMessage({c.says, QStringLiteral("Записано байт: 16 из 2048.")}, r.backupPath);
    }
}

TEST_F(MemoryTransferEngineTest, ACancelSeenAtTheLastByteIsTakenByTheReadBack)
{
    // The only byte that differs is also the first of its page, where the cancel flag is
    // looked at: with nothing left to stop, the write goes on to the read-back, which takes the
    // Cancel, and the write is ended.
    const MemoryArea eeprom = MemoryArea::eeprom();
    Bytes image = area(eeprom);
    image[5 * 256 + 64] ^= 0xFF;
    bool clicked = false;
    watched.onWrite = [&](const std::uint8_t* b, std::size_t size) {
        if (size == 4 && (b[0] & 0xC0) == ACCESS_MEM_WRITE && !clicked) {
            clicked = true;
            progress.cancelPending = true;
        }
    };
    const WriteResult r = write(eeprom, image);
    watched.onWrite = nullptr;
    ASSERT_TRUE(clicked);
    EXPECT_EQ(r.outcome, Outcome::Cancelled);
    EXPECT_EQ(memWrites(), (std::vector<MemWrite>{{5, 64, image[5 * 256 + 64]}}));
    EXPECT_EQ(area(eeprom), image);
    EXPECT_EQ(sim->writeDoneCount(), 1);
    expectOneMessage(
        {QStringLiteral("проверка прервана"), QStringLiteral("Записано байт: 1 из 2048.")},
        r.backupPath);
}

TEST_F(MemoryTransferEngineTest, CancelAtOffsetTwentyWritesUpToOffsetThirtyTwo)
{
    const MemoryArea eeprom = MemoryArea::eeprom();
    const Bytes before = area(eeprom);
    const Bytes image = changed(eeprom);
    progress.onByte = [this](int page, int offset) {
        if (page == 2 && offset == 20)
            progress.engine->requestCancel();
    };
    const WriteResult r = write(eeprom, image);
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
    EXPECT_TRUE(messages[0].contains(r.backupPath));
}

TEST_F(MemoryTransferEngineTest, ACancelDuringTheBackupsLastPageReadWritesNothing)
{
    // The Cancel arrives while the last page of the backup is on the line, after the last look
    // at the flag the backup's loop takes; it is to be seen before the write begins.
    const MemoryArea eeprom = MemoryArea::eeprom();
    const Bytes before = area(eeprom);
    const Bytes image = changed(eeprom);
    int selected = -1;
    bool clicked = false;
    watched.onWrite = [&](const std::uint8_t* b, std::size_t size) {
        if (size != 4)
            return;
        if ((b[0] & 0xC0) == ACCESS_REG_WRITE && b[1] == REG_PAGE)
            selected = b[2];
        const bool pageRead = (b[0] & 0xC0) == ACCESS_MEM_READ;
        if (pageRead && selected == eeprom.endPage - 1 && !clicked) {
            clicked = true;
            progress.cancelPending = true;
        }
    };
    const WriteResult r = write(eeprom, image);
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

} // namespace
} // namespace korvel
