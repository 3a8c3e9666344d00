// The strip as part of the program: opened at the end of the main window's reveal when the
// settings ask for it, dragged along with the main window, and handing the outputs back
// before the keyboard and the port when the program closes.
#include "DioRig.h"

#include "app/MainWindow.h"
#include "memory/ImageParser.h"
#include "memory/MemoryTransfer.h"
#include "settings/IniProfile.h"
#include "settings/SettingsKeys.h"
#include "settings_dialog/SettingsDialog.h"
#include "support/PopupDismisser.h"
#include "ui/ImageButton.h"
#include "ui/SkinnedWindow.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QMessageBox>
#include <QFile>
#include <QMenu>
#include <QPushButton>
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

// The strip closed for a memory transfer whose port would not reopen at its end comes back
// when the poll opens the port again.
TEST_F(MainWindowIoTest, AfterATransferTheStripComesBackWithThePort)
{
    w->memory().chooseFile = [this](ImageFileDialog& d) {
        d.FileName = dir.filePath(QStringLiteral("read.EEPROM"));
        return true;
    };
    int opens = 0;
    const auto open = w->memory().openPort;
    w->memory().openPort = [&opens, open](int ms) { return ++opens != 2 && open(ms); };
    w->memory().NReadEEPROMClick();
    ASSERT_TRUE(w->memory().transferActive());
    ASSERT_TRUE(waitFor([this] { return !w->memory().transferActive(); }, 30000));
    EXPECT_EQ(opens, 2);
    EXPECT_TRUE(w->poll().waitingForPort());
    EXPECT_FALSE(w->ioPanel().isOpen()) << "opened on a shut port";

    ASSERT_TRUE(waitFor([this] { return w->poll().pollingEnabled(); }, 10000))
        << "the poll did not reopen the port";
    EXPECT_TRUE(w->ioPanel().isOpen());
}

// The dialog driven from inside the menu item's modal run: once it has unrolled, `act` runs
// on it (and again on each later tick until it returns true).
class DialogDriver : public QObject
{
public:
    explicit DialogDriver(std::function<bool(TFormProperties&)> act) : act_(std::move(act))
    {
        connect(&timer_, &QTimer::timeout, this, [this] {
            if (QApplication::activeModalWidget() != nullptr &&
                qobject_cast<TFormProperties*>(QApplication::activeModalWidget()) == nullptr)
                return; // a popup over it
            for (QWidget* top : QApplication::topLevelWidgets())
                if (auto* d = qobject_cast<TFormProperties*>(top);
                    d && d->isVisible() && !d->skin().isRevealing() && !d->skin().isClosing() &&
                    act_(*d))
                    timer_.stop();
        });
        timer_.start(30);
    }

private:
    std::function<bool(TFormProperties&)> act_;
    QTimer timer_;
};

class MainWindowOutputsTest : public MainWindowIoTest
{
protected:
    static constexpr Block kOwn{1, 2, 3, 4, 5, 6, 7, 8};

    void takeOver()
    {
        for (int i = 0; i < MEM_OUTPUT_CONFIG_COUNT; ++i)
            sim->setMemoryByte(1, MEM_OUTPUT_CONFIG + i, kOwn[i]);
        w->ioPanel().window()->CheckBoxCyfrOut()->click();
        ASSERT_TRUE(w->ioPanel().state.OutputsTakenOver);
        sim->clearRequests();
    }
    // The indicator stops taking the outputs' block: no hand-back can get through.
    void refuseBlockWrites()
    {
        sim::SimFaults refused;
        refused.failWritePage = 1;
        refused.failWriteOffset = MEM_OUTPUT_CONFIG;
        sim->setFaults(refused);
    }
    Block deviceBlock() const
    {
        const auto page = sim->memoryPage(1);
        Block b{};
        std::copy_n(page.begin() + MEM_OUTPUT_CONFIG, b.size(), b.begin());
        return b;
    }
    QAction* action(const char* name) const
    {
        return w->MainPopupMenu()->findChild<QAction*>(QString::fromLatin1(name));
    }
    // The writes an address received before the given index of the log, in order.
    std::vector<Request> writesTo(int address, std::size_t before) const
    {
        std::vector<Request> out;
        const auto all = sim->requests();
        for (std::size_t i = 0; i < std::min(before, all.size()); ++i) {
            const auto& r = all[i];
            if (r.bytes.size() == 4 && (r.bytes[0] & ACCESS_ADDRESS_MASK) == address &&
                !(r.bytes[0] & ACCESS_REG_READ))
                out.push_back(
                    {r.bytes[0] & ACCESS_MEM_WRITE ? Request::MemWrite : Request::RegWrite,
                     r.bytes[1], r.bytes[2]});
        }
        return out;
    }
    // The index of the first request to an address (the log's size if none).
    std::size_t firstRequestTo(int address) const
    {
        const auto all = sim->requests();
        for (std::size_t i = 0; i < all.size(); ++i)
            if (all[i].bytes.size() == 4 && (all[i].bytes[0] & ACCESS_ADDRESS_MASK) == address)
                return i;
        return all.size();
    }
    static std::vector<Request> handBackFrames()
    {
        std::vector<Request> out{regWrite(REG_PAGE, 1)};
        for (int i = 0; i < MEM_OUTPUT_CONFIG_COUNT; ++i)
            out.push_back(memWrite(std::uint8_t(MEM_OUTPUT_CONFIG + i), kOwn[i]));
        out.push_back(regWrite(REG_OUTPUT_CONTROL, 0));
        return out;
    }
};

TEST_F(MainWindowOutputsTest, ANewAddressTakesEffectOnlyAfterTheOldOneHasItsOutputsBack)
{
    takeOver();
    DialogDriver driver([](TFormProperties& d) {
        d.cbAdrPribor()->setCurrentIndex(d.cbAdrPribor()->findText(QStringLiteral("2")));
        d.BitBtnOK()->click();
        return true;
    });
    action("NComPortProperties")->trigger(); // returns once the dialog has closed

    EXPECT_EQ(w->settings().AdrPribor, 2);
    ASSERT_TRUE(waitFor([this] { return firstRequestTo(2) < sim->requests().size(); }, 3000))
        << "the poll goes on at the new address";
    const std::size_t first = firstRequestTo(2);
    EXPECT_EQ(writesTo(1, first), handBackFrames());
    EXPECT_TRUE(writesTo(1, sim->requests().size()) == handBackFrames()) << "nothing after";
    EXPECT_EQ(deviceBlock(), kOwn);
    EXPECT_FALSE(sim->outputControl());
    EXPECT_FALSE(w->ioPanel().window()->CheckBoxCyfrOut()->isChecked());
    EXPECT_FALSE(w->ioPanel().state.OutputsTakenOver);
}

// Answers the question that comes up when the outputs could not go back, with the button of
// that caption, and keeps its text.
class QuestionAnswerer : public QObject
{
public:
    explicit QuestionAnswerer(QString answer) : answer_(std::move(answer))
    {
        connect(&timer_, &QTimer::timeout, this, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr)
                return;
            texts << box->text();
            for (QAbstractButton* b : box->buttons())
                if (b->text() == answer_)
                    b->click();
        });
        timer_.start(20);
    }
    void setAnswer(QString answer) { answer_ = std::move(answer); }
    QStringList texts;

private:
    QString answer_;
    QTimer timer_;
};

// The old indicator cannot get its outputs back. "Отмена": the dialog stays open, nothing is
// saved or applied. "Продолжить": the new address is taken, the PC lets go of the outputs and
// the journal keeps their block; when that indicator is connected again it gets it back.
TEST_F(MainWindowOutputsTest, ANewAddressAfterAFailedHandBackIsTheUsersChoice)
{
    takeOver();
    refuseBlockWrites();
    PopupDismisser popups;
    QuestionAnswerer question(QStringLiteral("Отмена"));
    const auto chooseAddress = [](const char* address) {
        return [address, step = 0](TFormProperties& d) mutable {
            if (step++ == 0) {
                d.cbAdrPribor()->setCurrentIndex(
                    d.cbAdrPribor()->findText(QString::fromLatin1(address)));
                d.BitBtnOK()->click(); // the question runs and is answered inside
                return !d.isVisible() || d.OkPressed();
            }
            d.CloseImage()->clicked();
            return true;
        };
    };
    {
        DialogDriver driver(chooseAddress("2"));
        action("NComPortProperties")->trigger();
    }
    ASSERT_EQ(question.texts.size(), 1);
    EXPECT_TRUE(question.texts[0].startsWith(
        QStringLiteral("Выходы прибора не возвращены и остаются за ПК.")));
    EXPECT_TRUE(popups.texts.isEmpty());
    EXPECT_EQ(w->settings().AdrPribor, 1);
    IniProfile saved;
    saved.loadFile(dir.filePath("korvel.ini"));
    EXPECT_EQ(saved.readInteger(k::kDeviceSection, k::kAddress, 1), 1);
    EXPECT_EQ(firstRequestTo(2), sim->requests().size()) << "not a frame to the new address";
    EXPECT_TRUE(w->ioPanel().window()->CheckBoxCyfrOut()->isChecked());
    EXPECT_TRUE(w->ioPanel().state.OutputsTakenOver);
    EXPECT_TRUE(sim->outputControl());
    EXPECT_TRUE(w->poll().pollingEnabled());

    question.setAnswer(QStringLiteral("Продолжить"));
    {
        DialogDriver driver(chooseAddress("2"));
        action("NComPortProperties")->trigger();
    }
    EXPECT_EQ(question.texts.size(), 2);
    EXPECT_EQ(w->settings().AdrPribor, 2);
    EXPECT_FALSE(w->ioPanel().window()->CheckBoxCyfrOut()->isChecked());
    EXPECT_FALSE(w->ioPanel().state.OutputsTakenOver);
    EXPECT_FALSE(w->ioPanel().control.handBackOwed());
    const QString journal = dir.filePath(QStringLiteral("journal/KORVEL03-0507123.ini"));
    EXPECT_TRUE(QFile::exists(journal));

    // Back at the old indicator: its block goes back at the first identification, and the
    // popup says so once.
    sim->setFaults({});
    {
        DialogDriver driver(chooseAddress("1"));
        action("NComPortProperties")->trigger();
    }
    ASSERT_TRUE(waitFor([&] { return !QFile::exists(journal); }, 5000));
    EXPECT_EQ(deviceBlock(), kOwn);
    EXPECT_FALSE(sim->outputControl());
    ASSERT_TRUE(waitFor([&] { return popups.texts.size() == 1; }, 3000));
    EXPECT_EQ(popups.texts[0], QStringLiteral("Конфигурация выходов прибора\nKORVEL 03 № 0507123\n"
                                              "восстановлена после прерванной работы."));
}

// Switching the strip off while the outputs cannot go back: one popup says the PC keeps
// them, and the strip and the settings stay as they are.
TEST_F(MainWindowOutputsTest, TheStripStaysWhileTheOutputsCannotGoBack)
{
    takeOver();
    refuseBlockWrites();
    PopupDismisser popups;
    DialogDriver driver([step = 0](TFormProperties& d) mutable {
        if (step++ == 0) {
            d.CheckBoxPanelInOut()->click();
            d.BitBtnOK()->click();
            return false;
        }
        d.CloseImage()->clicked();
        return true;
    });
    action("NComPortProperties")->trigger();
    ASSERT_EQ(popups.texts.size(), 1);
    EXPECT_TRUE(popups.texts[0].endsWith(
        QStringLiteral("Выходы не возвращены прибору и остаются за ПК,\nнастройки не изменены.")))
        << popups.texts[0].toStdString();
    EXPECT_TRUE(w->settings().ShowPanelInOut);
    ASSERT_TRUE(waitFor([this] { return w->ioPanel().isOpen(); }, 1000));
    EXPECT_TRUE(w->ioPanel().window()->CheckBoxCyfrOut()->isChecked());
    EXPECT_TRUE(w->ioPanel().state.OutputsTakenOver);
}

// At exit the hand-back fails: the journal keeps the block, the popup says it will go back
// at the next connection, and the program still closes.
TEST_F(MainWindowOutputsTest, AFailedHandBackAtExitLeavesTheBlockInTheJournal)
{
    takeOver();
    refuseBlockWrites();
    PopupDismisser popups;
    w->close();
    ASSERT_TRUE(waitFor([this] { return !w->isVisible(); }, 8000));
    ASSERT_EQ(popups.texts.size(), 1);
    EXPECT_TRUE(popups.texts[0].endsWith(QStringLiteral(
        "Их конфигурация будет восстановлена\nпри следующем подключении прибора.")))
        << popups.texts[0].toStdString();
    const auto entry =
        w->ioPanel().control.journal.find({3, QStringLiteral("0507123")});
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->block, kOwn);
}

// Page 1 of the EEPROM holds the outputs' configuration: a read while they are taken over
// gets the indicator's own block, not the PC's zeros, and the strip comes back afterwards.
TEST_F(MainWindowOutputsTest, MemoryReadHandsTheOutputsBackFirst)
{
    takeOver();
    const QString target = dir.filePath(QStringLiteral("read.EEPROM"));
    w->memory().chooseFile = [&](ImageFileDialog& d) {
        d.FileName = target;
        return true;
    };
    action("NReadEEPROM")->trigger();
    ASSERT_TRUE(waitFor([this] { return w->memory().transferActive(); }, 3000));
    const TFormCyfrInOut* strip = w->ioPanel().window();
    EXPECT_TRUE(strip == nullptr || strip->skin().isClosing()) << "closed as for the chart";
    ASSERT_TRUE(waitFor([this] { return !w->memory().transferActive(); }, 30000));

    QFile file(target);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const ParsedImage image = ParseImageText(file.readAll());
    ASSERT_GE(image.bytes.size(), 512u);
    Block read{};
    std::copy_n(image.bytes.begin() + 256 + MEM_OUTPUT_CONFIG, read.size(), read.begin());
    EXPECT_EQ(read, kOwn);
    const auto all = sim->requests();
    const auto firstPage = std::find_if(all.begin(), all.end(), [](const auto& r) {
        return r.bytes.size() == 4 && r.bytes[0] == 0x01 && r.bytes[1] == REG_PAGE &&
               r.bytes[2] == 0;
    });
    EXPECT_EQ(writesTo(1, std::size_t(firstPage - all.begin())), handBackFrames())
        << "back before the first page is read";
    EXPECT_FALSE(sim->outputControl());
    ASSERT_TRUE(waitFor([this] { return w->ioPanel().window() != nullptr; }, 3000))
        << "the settings ask for the strip";
    EXPECT_FALSE(w->ioPanel().window()->CheckBoxCyfrOut()->isChecked());
}

TEST_F(MainWindowOutputsTest, NoMemoryTransferWhileTheOutputsCannotGoBack)
{
    takeOver();
    refuseBlockWrites();
    w->memory().chooseFile = [&](ImageFileDialog& d) {
        d.FileName = dir.filePath(QStringLiteral("read.EEPROM"));
        return true;
    };
    PopupDismisser popups;
    w->memory().NReadEEPROMClick();
    EXPECT_FALSE(w->memory().transferActive());
    ASSERT_EQ(popups.texts.size(), 1);
    EXPECT_TRUE(popups.texts[0].endsWith(QStringLiteral("обмен с памятью не начат.")));
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("read.EEPROM"))));
    EXPECT_TRUE(w->ioPanel().window()->CheckBoxCyfrOut()->isChecked());
    EXPECT_TRUE(w->isEnabled());
    EXPECT_TRUE(w->poll().pollingEnabled());
}

// The copy of a block left changed by a take-over that was cut off goes back at the exit,
// before the exit's 252 <- 0, even with the strip closed.
TEST_F(MainWindowOutputsTest, ExitWritesAKeptBlockBackBeforeTheRelease)
{
    w->closeIoPanel();
    ASSERT_TRUE(waitFor([this] { return w->ioPanel().window() == nullptr; }, 3000));
    CyfrInOutState& state = w->ioPanel().state;
    state.SavedOutputBlock = kOwn;
    state.OriginalBlockHeld = true; // the device holds zeros where the cut left them
    sim->clearRequests();

    w->close();
    ASSERT_TRUE(waitFor([this] { return !w->isVisible(); }, 5000));
    std::vector<Request> expected = handBackFrames();
    expected.back() = regWrite(REG_COMMAND, 17); // 252 was never set: only the exit's own
    expected.push_back(regWrite(REG_OUTPUT_CONTROL, 0));
    EXPECT_EQ(writes(), expected);
    EXPECT_EQ(deviceBlock(), kOwn);
}

} // namespace
} // namespace korvel::test
