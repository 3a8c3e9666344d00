// The journal's file on its own: what it holds, and what it does with a file it did not write.
#include "dio/OutputJournal.h"
#include "settings/Cp1251.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace korvel {
namespace {

const OutputJournalEntry kEntry{{21, "0402017"},
                                "/dev/ttyUSB0",
                                37,
                                QDateTime(QDate(2026, 12, 11), QTime(13, 40, 5)),
                                {3, 0, 0, 0, 0, 0, 255, 7}};

TEST(OutputJournal, AnEntryReadsBackWholeFromItsWindows1251File)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const OutputJournal journal(dir.filePath("journal")); // made by the first store
    EXPECT_TRUE(journal.empty());
    ASSERT_TRUE(journal.store(kEntry));
    EXPECT_FALSE(journal.empty());
    EXPECT_EQ(QFileInfo(journal.filePath(kEntry.indicator)).fileName(), "KORVEL21-0402017.ini");

    QFile file(journal.filePath(kEntry.indicator));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString text = DecodeCp1251(file.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral("[Выходы прибора]"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Конфигурация выходов=3,0,0,0,0,0,255,7")));
    EXPECT_TRUE(text.contains(QStringLiteral("Время=11.12.2026 13:40:05")));

    const auto back = journal.find(kEntry.indicator);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->indicator, kEntry.indicator);
    EXPECT_EQ(back->port, kEntry.port);
    EXPECT_EQ(back->address, kEntry.address);
    EXPECT_EQ(back->time, kEntry.time);
    EXPECT_EQ(back->block, kEntry.block);
    EXPECT_FALSE(journal.find({21, "0402018"}));

    EXPECT_TRUE(journal.remove(kEntry.indicator));
    EXPECT_TRUE(journal.empty());
    EXPECT_TRUE(journal.remove(kEntry.indicator)) << "nothing to remove is no failure";
}

// A file that does not read whole is never written to an indicator, and never deleted.
TEST(OutputJournal, ADamagedFileIsNeitherUsedNorRemoved)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const OutputJournal journal(dir.path());
    const QByteArray good = OutputJournal::format(kEntry);
    struct Case
    {
        const char* name;
        QByteArray bytes;
    };
    QByteArray shortBlock = good;
    shortBlock.replace("255,7", "255");
    QByteArray bigByte = good;
    bigByte.replace("255,7", "256,7");
    QByteArray otherSerial = good;
    otherSerial.replace("0402017", "0402099");
    const Case cases[] = {
        {"empty", {}},
        {"cut off before the block", good.left(good.indexOf("\xCA\xEE\xED"))}, // "Кон"
        {"seven bytes", shortBlock},
        {"a byte over 255", bigByte},
        {"another indicator's under this name", otherSerial},
        {"not a journal", "\x89PNG\r\n\x1a\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QFile file(journal.filePath(kEntry.indicator));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(c.bytes);
        file.close();
        EXPECT_FALSE(journal.find(kEntry.indicator));
        EXPECT_TRUE(QFile::exists(file.fileName()));
    }
}

} // namespace
} // namespace korvel
