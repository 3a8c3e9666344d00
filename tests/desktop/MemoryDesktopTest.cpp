// The memory commands in the real korvel on an X server, driven like a technician would: the
// service key sequence, the context menu, the file dialog, the transfer dialog running to its
// end; then a write of a file that is too short, which must be refused before anything of it
// reaches the indicator.
#include "KorvelRig.h"
#include "link/DeviceMap.h"
#include "memory/ImageParser.h"
#include "memory/ImageWriter.h"
#include "memory/MemoryArea.h"
#include "memory/MemoryMessages.h"
#include "ui/MessagePopup.h"
#include "ui/WindowPlacement.h"

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

    static QByteArray eepromImageText()
    {
        const MemoryArea area = MemoryArea::eeprom();
        QStringList lines;
        for (int p = area.firstPage; p < area.endPage; ++p)
            lines << FormatImagePage(rig->sim().memoryPage(p).data());
        return ImageFileText(lines);
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
