// korvel killed (SIGKILL) while it holds the indicator's outputs: the output block it cleared
// is on the disk, and the next start writes it back (and 252 ← 0) before anything else is
// written to the indicator. A journal of another indicator in the same folder is left alone.
#include "KorvelRig.h"

#include <QDir>
#include <QFile>
#include <QThread>

namespace korvel {
namespace {

using test::KorvelRig;
using Writes = KorvelRig::Writes;
constexpr int kMem = KorvelRig::kMemoryWrite;
constexpr QPoint kStrip(0, 395);
constexpr int kOriginal[] = {3, 0, 0, 0, 0, 0, 0, 7};

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TEST(OutputJournalDesktop, AKilledProgramsOutputBlockGoesBackFirstAtTheNextStart)
{
    KorvelRig rig({.settings = {{QStringLiteral("Панель цифровых входов/выходов"),
                                 QStringLiteral("Показывать"), QStringLiteral("1")}},
                   .prepare = [](sim::Simulator& sim) {
                       for (int i = 0; i < 8; ++i)
                           sim.setMemoryByte(1, 53 + i, std::uint8_t(kOriginal[i]));
                   }});
    ASSERT_TRUE(rig.started());
    const QDir journal(rig.filePath(QStringLiteral("journal")));
    // Another indicator's journal, as a run on another line would have left it.
    ASSERT_TRUE(journal.mkpath(QStringLiteral(".")));
    const QString other = journal.filePath(QStringLiteral("KORVEL03-0507124.ini"));
    const QByteArray otherText = "[\xC2\xFB\xF5\xEE\xE4\xFB \xEF\xF0\xE8\xE1\xEE\xF0\xE0]\r\n"
                                 "\xCC\xEE\xE4\xE5\xEB\xFC=3\r\n"
                                 "\xCD\xEE\xEC\xE5\xF0=0507124\r\n"
                                 "\xCA\xEE\xED\xF4\xE8\xE3\xF3\xF0\xE0\xF6\xE8\xFF "
                                 "\xE2\xFB\xF5\xEE\xE4\xEE\xE2=1,1,1,1,1,1,1,1\r\n";
    {
        QFile f(other);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(otherText);
    }
    // The strip is up and polled; take the outputs over with its box.
    ASSERT_TRUE(KorvelRig::waitUntil([&] {
        return rig.countSince(0, [](const KorvelRig::Bytes& b) { return b[1] == 155; }) > 0;
    }));
    QThread::msleep(300);
    std::size_t m = rig.mark();
    KorvelRig::click(kStrip + QPoint(241 + 8, 66 + 8));
    ASSERT_TRUE(KorvelRig::waitUntil([&] { return rig.sim().outputControl(); }));
    const QString own = journal.filePath(QStringLiteral("KORVEL03-0507123.ini"));
    EXPECT_TRUE(QFile::exists(own));
    EXPECT_EQ(rig.sim().memoryPage(1)[53], 0);

    rig.process().kill();
    ASSERT_TRUE(rig.process().waitForFinished(5000));
    EXPECT_TRUE(QFile::exists(own)) << "a kill leaves the journal";

    m = rig.mark();
    rig.startAnother(rig.process());
    ASSERT_TRUE(rig.process().waitForStarted());
    Writes expected{{254, 1}};
    for (int i = 0; i < 8; ++i)
        expected.emplace_back(kMem + 53 + i, kOriginal[i]);
    expected.emplace_back(252, 0);
    expected.emplace_back(255, 17); // the keyboard unlock of every start, after it
    ASSERT_TRUE(KorvelRig::waitUntil(
        [&] { return rig.writesSince(m, true).size() >= expected.size(); }, 15000));
    const Writes got = rig.writesSince(m, true);
    EXPECT_EQ(Writes(got.begin(), got.begin() + long(expected.size())), expected);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(rig.sim().memoryPage(1)[53 + i], kOriginal[i]);
    EXPECT_FALSE(rig.sim().outputControl());
    EXPECT_FALSE(QFile::exists(own)) << "the block is back: its journal goes";
    EXPECT_EQ(readAll(other), otherText) << "another indicator's journal is never touched";
    // The popup that says so: main window, strip and popup.
    EXPECT_TRUE(KorvelRig::waitUntil([&] { return rig.visibleWindows() >= 3; }, 8000));
    rig.process().kill(); // the popup would hold a normal close up
    rig.process().waitForFinished(5000);
}

} // namespace
} // namespace korvel
