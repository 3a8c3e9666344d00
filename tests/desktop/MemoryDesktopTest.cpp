// The memory commands in the real korvel on an X server, driven like a technician would: the
// service key sequence, the context menu, the file dialog, the transfer dialog running to its
// end; a restore that sends only the bytes that differ and reads the area back, and the same
// command chosen with Shift, which sends every byte; then a write of a file that is too short,
// which must be refused before anything of it reaches the indicator.
#include "KorvelRig.h"
#include "link/DeviceMap.h"
#include "memory/ImageParser.h"
#include "memory/ImageWriter.h"
#include "memory/MemoryArea.h"
#include "memory/MemoryMessages.h"
#include "ui/MessagePopup.h"
#include "ui/WindowPlacement.h"

#include <QDir>
#include <QFile>
#include <QThread>

namespace korvel {
namespace {

using test::KorvelRig;
using Bytes = KorvelRig::Bytes;

class MemoryDesktop : public test::SharedKorvel<MemoryDesktop>
{
protected:
    // The copy's folder is where its file dialogs start and its backups go.
    static void SetUpTestSuite() { startRig(); }

    static int pageSelectsSince(std::size_t from)
    {
        return rig->countSince(from,
                               [](const Bytes& b) { return b[0] == 0x01 && b[1] == REG_PAGE; });
    }
    static int memoryWritesSince(std::size_t from)
    {
        return rig->countSince(from,
                               [](const Bytes& b) { return (b[0] & 0xC0) == ACCESS_MEM_WRITE; });
    }
    static int memoryReadsSince(std::size_t from)
    {
        return rig->countSince(from,
                               [](const Bytes& b) { return (b[0] & 0xC0) == ACCESS_MEM_READ; });
    }

    // The n-th entry of the face's context menu.
    static void chooseMenuEntry(int n) { KorvelRig::chooseMenuEntry({100, 107}, n); }

    static Bytes eepromBytes()
    {
        const MemoryArea area = MemoryArea::eeprom();
        Bytes out;
        for (int p = area.firstPage; p < area.endPage; ++p) {
            const auto page = rig->sim().memoryPage(p);
            out.insert(out.end(), page.begin(), page.end());
        }
        return out;
    }

    static QByteArray imageText(const Bytes& bytes)
    {
        QStringList lines;
        for (std::size_t at = 0; at < bytes.size(); at += MEM_PAGE_SIZE)
            lines << FormatImagePage(bytes.data() + at);
        return ImageFileText(lines);
    }
    static QByteArray eepromImageText() { return imageText(eepromBytes()); }

    // Clicks OK on the message popup showing `m` over the main window.
    static void closePopup(const PopupMessage& m)
    {
        const TFormMessage::Geometry g =
            TFormMessage::geometryFor(m.extraWidth, m.okShift, m.extraHeight);
        const QPoint popup = PlaceOverWindow(QRect(KorvelRig::kOrigin, KorvelRig::kWindow), g.size,
                                             QRect(QPoint(0, 0), KorvelRig::kScreen));
        KorvelRig::clickAt(popup + g.okButton.center());
    }

    // The backup the last write stored (the copy keeps them beside itself).
    static QString newestBackup()
    {
        const QDir backups(rig->filePath(QStringLiteral("backup")));
        const QStringList names = backups.entryList(QDir::Files, QDir::Time);
        return names.isEmpty() ? QString() : backups.filePath(names.first());
    }
};

TEST_F(MemoryDesktop, ReadEepromRunsToItsEndAndPollingResumes)
{
    KorvelRig::typeServiceSequence();
    QThread::msleep(200);
    const std::size_t m = rig->mark();
    chooseMenuEntry(3); // "Прочитать EEPROM", after "Настройки" and "Поиск прибора"
    const QString target = rig->filePath(QStringLiteral("read.EEPROM"));
    KorvelRig::answerFileDialog(QStringLiteral("Сохранить как"), target);

    ASSERT_TRUE(KorvelRig::waitUntil([&] { return QFile::exists(target); }, 30000))
        << "no file written";
    QFile f(target);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray text = f.readAll();
    EXPECT_EQ(text.size(), 6416);
    EXPECT_EQ(text, eepromImageText());
    EXPECT_EQ(pageSelectsSince(m), 8);
    EXPECT_EQ(memoryReadsSince(m), 8);

    const std::size_t after = rig->mark();
    EXPECT_TRUE(KorvelRig::waitUntil([&] { return rig->displayReadsSince(after) > 0; }, 10000))
        << "polling did not resume";
}

TEST_F(MemoryDesktop, ARestoreSendsOnlyWhatDiffersAndShiftSendsEveryByte)
{
    const MemoryArea eeprom = MemoryArea::eeprom();
    Bytes image = eepromBytes();
    for (const int at : {5, 700, 2047})
        image[static_cast<std::size_t>(at)] ^= 0xA5;
    const QString source = rig->filePath(QStringLiteral("restore.EEPROM"));
    {
        QFile f(source);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(imageText(image));
    }
    const Bytes writeDone = KorvelRig::request(ACCESS_REG_WRITE | 1, REG_COMMAND, CMD_WRITE_DONE);

    std::size_t m = rig->mark();
    chooseMenuEntry(4); // "Записать EEPROM"
    KorvelRig::answerFileDialog(QStringLiteral("Открыть"), source);
    ASSERT_TRUE(rig->waitForRequest(m, writeDone, 1, 30000)) << "the write did not end";
    EXPECT_EQ(memoryWritesSince(m), 3);
    EXPECT_EQ(memoryReadsSince(m), 16) << "the backup, then the read-back";
    EXPECT_EQ(eepromBytes(), image);
    QThread::msleep(500);
    KorvelRig::screenshot("memory_restore_verified");
    closePopup(WriteEndMessage({WriteEnd::Completed, 3, {}}, eeprom, newestBackup()));
    std::size_t after = rig->mark();
    EXPECT_TRUE(KorvelRig::waitUntil([&] { return rig->displayReadsSince(after) > 0; }, 10000))
        << "polling did not resume after the popup";

    // Shift held on the entry: every byte goes out, although none differs now. Cancelled once
    // that shows, to keep the test short.
    m = rig->mark();
    KorvelRig::click({100, 107}, {.button = 3});
    QThread::msleep(400);
    KorvelRig::xdotool({QStringLiteral("key"), QStringLiteral("Down"), QStringLiteral("key"),
                        QStringLiteral("Down"), QStringLiteral("key"), QStringLiteral("Down"),
                        QStringLiteral("key"), QStringLiteral("Down"), QStringLiteral("key"),
                        QStringLiteral("shift+Return")});
    KorvelRig::answerFileDialog(QStringLiteral("Открыть"), source);
    ASSERT_TRUE(KorvelRig::waitUntil([&] { return memoryWritesSince(m) > 20; }, 30000))
        << memoryWritesSince(m) << " byte writes: not every byte is sent";
    // The transfer window over the main window, its Cancel at (131, 126) in it.
    const QPoint transfer((KorvelRig::kWindow.width() - 334) / 2,
                          (KorvelRig::kWindow.height() - 173) / 3);
    KorvelRig::click(transfer + QPoint(131 + 37, 126 + 12));
    ASSERT_TRUE(KorvelRig::waitUntil(
        [&] {
            const int n = memoryWritesSince(m);
            QThread::msleep(400);
            return n == memoryWritesSince(m);
        },
        10000));
    const int written = memoryWritesSince(m);
    EXPECT_LT(written, 2048) << "Cancel was not seen";
    EXPECT_EQ(rig->countSince(m, writeDone), 0) << "a cancelled write is not ended";
    EXPECT_EQ(eepromBytes(), image) << "the same values written over themselves";
    closePopup(WriteEndMessage({WriteEnd::Cancelled, written, {}}, eeprom, newestBackup()));
    after = rig->mark();
    EXPECT_TRUE(KorvelRig::waitUntil([&] { return rig->displayReadsSince(after) > 0; }, 10000))
        << "polling did not resume after the popup";
}

TEST_F(MemoryDesktop, WriteOfTooFewValuesIsRefusedBeforeTheIndicatorIsTouched)
{
    const QString source = rig->filePath(QStringLiteral("few.EEPROM"));
    const QByteArray text = "00 01 02 03\r\n";
    {
        QFile f(source);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }
    const std::size_t m = rig->mark();
    chooseMenuEntry(4); // "Записать EEPROM"
    KorvelRig::answerFileDialog(QStringLiteral("Открыть"), source);
    const std::size_t during = rig->mark();

    // The refusal popup comes up over the main window once the dialog has revealed itself.
    const PopupMessage refusal = ImageRefusal(ParseImageText(text), MemoryArea::eeprom());
    ASSERT_TRUE(refusal.text.contains(QStringLiteral("2048")));
    const TFormMessage::Geometry g =
        TFormMessage::geometryFor(refusal.extraWidth, refusal.okShift, refusal.extraHeight);
    const QPoint popup = PlaceOverWindow(QRect(KorvelRig::kOrigin, KorvelRig::kWindow), g.size,
                                         QRect(QPoint(0, 0), KorvelRig::kScreen));
    QThread::msleep(3000);
    EXPECT_EQ(rig->displayReadsSince(during), 0) << "the poll ran while the transfer held the link";
    KorvelRig::clickAt(popup + g.okButton.center());

    const std::size_t after = rig->mark();
    EXPECT_TRUE(KorvelRig::waitUntil([&] { return rig->displayReadsSince(after) > 0; }, 10000))
        << "the transfer did not end after the popup";
    EXPECT_EQ(memoryWritesSince(m), 0);
    EXPECT_EQ(pageSelectsSince(m), 0);
    EXPECT_EQ(memoryReadsSince(m), 0) << "not even a backup was read";
}

} // namespace
} // namespace korvel
