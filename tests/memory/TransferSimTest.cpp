// The transfer dialog against the simulated indicator over a real pseudo-terminal: what it
// shows, the files it reads and writes, the messages it chooses and the name it keeps, around
// the engine that moves the bytes (its own tests are in MemoryTransferEngineTest).
#include "memory/TransferDialog.h"
#include "ui/MessagePopup.h"

#include "MemorySimTest.h"
#include "support/WaitFor.h"

#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace korvel {
namespace {

using namespace korvel::test;
using Outcome = TFormReadWriteEEPROM::Outcome;

class TransferSimTest : public MemorySimTest
{
protected:
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
