// The strip as part of the program: opened at the end of the main window's reveal when the
// settings ask for it, dragged along with the main window, and handing the outputs back
// before the keyboard and the port when the program closes.
#include "DioRig.h"

#include "settings/IniProfile.h"
#include "settings/SettingsKeys.h"
#include "app/MainWindow.h"
#include "ui/SkinnedWindow.h"

#include <QCheckBox>
#include <QTemporaryDir>
#include <QTest>

namespace korvel::test {
namespace {

namespace k = settings_keys;

class MainWindowIoTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        sim = std::make_unique<sim::Simulator>(sim::SimOptions{});
        std::string error;
        ASSERT_TRUE(sim->start(&error)) << error;
        IniProfile ini;
        ini.writeString(k::kPortSection, k::kPortName, QString::fromStdString(sim->slavePath()));
        ini.writeInteger(k::kPortSection, k::kReadTimeout, 50);
        ini.writeInteger(k::kPanelSection, k::kShowPanel, 1);
        ASSERT_TRUE(ini.saveFile(dir.filePath("korvel.ini")));
        w = std::make_unique<TMainFormTestIndKorvel>(dir.filePath("korvel.ini"));
        w->show();
        ASSERT_TRUE(waitFor([this] { return !w->skin().isRevealing(); }, 5000));
    }

    std::vector<Request> writes() const
    {
        std::vector<Request> out;
        for (const auto& r : sim->requests())
            if (r.bytes.size() == 4 && !(r.bytes[0] & ACCESS_REG_READ))
                out.push_back(
                    {r.bytes[0] & ACCESS_MEM_WRITE ? Request::MemWrite : Request::RegWrite,
                     r.bytes[1], r.bytes[2]});
        return out;
    }
    bool dioRead() const
    {
        for (const auto& r : sim->requests())
            if (r.bytes.size() == 4 && r.bytes[0] == 0x81 && r.bytes[1] == REG_DIO)
                return true;
        return false;
    }

    QTemporaryDir dir;
    std::unique_ptr<sim::Simulator> sim;
    std::unique_ptr<TMainFormTestIndKorvel> w;
};

TEST_F(MainWindowIoTest, OpensAtTheEndOfTheRevealAndIsPolled)
{
    ASSERT_TRUE(w->ioPanel().isOpen());
    TFormCyfrInOut* strip = w->ioPanel().window();
    ASSERT_NE(strip, nullptr);
    EXPECT_EQ(strip->geometry(), QRect(w->x(), w->y() + 395, 555, 92));
    EXPECT_TRUE(waitFor([this] { return dioRead(); }, 3000));

    // A drag that starts on the strip's background moves the main window; the strip follows.
    const QPoint before = w->pos();
    QTest::mousePress(strip->PanelCyfrInOut(), Qt::LeftButton, {}, QPoint(6, 60));
    QTest::mouseMove(strip->PanelCyfrInOut(), QPoint(16, 50));
    QTest::mouseRelease(strip->PanelCyfrInOut(), Qt::LeftButton, {}, QPoint(16, 50));
    EXPECT_EQ(w->pos(), before + QPoint(10, -10));
    EXPECT_EQ(strip->pos(), w->pos() + QPoint(0, 395));

    w->closeIoPanel();
    ASSERT_TRUE(waitFor([this] { return w->ioPanel().window() == nullptr; }, 3000));
    w->openIoPanel();
    EXPECT_TRUE(w->ioPanel().isOpen());
}

TEST_F(MainWindowIoTest, ClosingHandsTheOutputsBackBeforeTheKeyboardAndThePort)
{
    for (int i = 0; i < MEM_OUTPUT_CONFIG_COUNT; ++i)
        sim->setMemoryByte(1, MEM_OUTPUT_CONFIG + i, std::uint8_t(i + 1));
    w->ioPanel().window()->CheckBoxCyfrOut()->click();
    ASSERT_TRUE(w->ioPanel().state.OutputsTakenOver);
    sim->clearRequests();

    w->close();
    ASSERT_TRUE(waitFor([this] { return !w->isVisible(); }, 5000));
    std::vector<Request> expected;
    for (int i = 0; i < MEM_OUTPUT_CONFIG_COUNT; ++i)
        expected.push_back(memWrite(std::uint8_t(MEM_OUTPUT_CONFIG + i), std::uint8_t(i + 1)));
    expected.insert(expected.begin(), regWrite(REG_PAGE, 1));
    for (const Request& r : {regWrite(REG_OUTPUT_CONTROL, 0), regWrite(REG_COMMAND, 17),
                             regWrite(REG_OUTPUT_CONTROL, 0)})
        expected.push_back(r);
    EXPECT_EQ(writes(), expected);
    EXPECT_FALSE(sim->outputControl());
}

} // namespace
} // namespace korvel::test
