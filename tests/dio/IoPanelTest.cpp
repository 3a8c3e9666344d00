// The I/O strip as a window (offscreen) against the simulated indicator: lamps from the poll,
// the take-over box, output clicks with their halo, closing, docking and forwarding.
#include "DioRig.h"

#include "dio/LampRules.h"
#include "panel/SvgPicture.h"
#include "ui/SkinnedWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QPushButton>
#include <QTest>

namespace korvel::test {
namespace {

class IoPanelTest : public DioRig
{
protected:
    TFormCyfrInOut* openPanel()
    {
        io->open();
        TFormCyfrInOut* w = io->window();
        EXPECT_NE(w, nullptr);
        EXPECT_TRUE(waitFor([w] { return !w->skin().isRevealing(); }, 3000));
        return w;
    }
    bool waitClosed()
    {
        return waitFor([this] { return io->window() == nullptr; }, 3000);
    }
    static QString picture(SvgPicture* p) { return p->picture(); }
    static QPoint centre(QWidget* w) { return w->rect().center(); }
};

const QString kGray = ioLampArt(IoLampPicture::Gray);
const QString kGreen = ioLampArt(IoLampPicture::Green);
const QString kRed = ioLampArt(IoLampPicture::Red);
const Block kZerosBlock{};

TEST_F(IoPanelTest, PollReadsTheIoRegisterOnlyWhileTheStripIsOpenAndLightsItsLamps)
{
    sim->setInputs(0x1F);
    poll->TimerOprosaPriboraTimer();
    EXPECT_EQ(dioReads(), 0);

    TFormCyfrInOut* w = openPanel();
    EXPECT_TRUE(io->isOpen());
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(picture(w->imInput(i)), kGray) << i;
    poll->TimerOprosaPriboraTimer();
    EXPECT_EQ(dioReads(), 1);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(picture(w->imInput(i)), kGreen) << i;
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(picture(w->imOutput(i)), (sim->outputs() >> i) & 1 ? kRed : kGray) << i;

    // Bits 5..7 of the input byte light nothing; output bits map one to one.
    w->UpdateInOutImages(0xE0 | 0x05, 0x81);
    const QString inputs[] = {kGreen, kGray, kGreen, kGray, kGray};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(picture(w->imInput(i)), inputs[i]) << i;
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(picture(w->imOutput(i)), i == 0 || i == 7 ? kRed : kGray) << i;
    EXPECT_EQ(io->state.LastInputs, 0x05);
    EXPECT_EQ(io->state.LastOutputs, 0x81);

    // A new window starts from the bytes last shown.
    io->close();
    ASSERT_TRUE(waitClosed());
    EXPECT_FALSE(io->isOpen());
    sim->clearRequests();
    poll->TimerOprosaPriboraTimer();
    EXPECT_EQ(dioReads(), 0);
    w = openPanel();
    EXPECT_EQ(picture(w->imInput(2)), kGreen);
    EXPECT_EQ(picture(w->imOutput(7)), kRed);
}

TEST_F(IoPanelTest, OutputLampsAreSwitchesOnlyWhileTakenOver)
{
    const Block original{1, 2, 0, 0, 0, 0, 0, 4};
    setBlock(original);
    TFormCyfrInOut* w = openPanel();
    SvgPicture* lamp2 = w->imOutput(1);

    // Box unticked: a click sends nothing and lights no halo.
    EXPECT_EQ(lamp2->cursor().shape(), Qt::ArrowCursor);
    sim->clearRequests();
    QTest::mousePress(lamp2, Qt::LeftButton, {}, centre(lamp2));
    EXPECT_FALSE(w->imOutputOreol(1)->isVisible());
    QTest::mouseRelease(lamp2, Qt::LeftButton, {}, centre(lamp2));
    EXPECT_TRUE(requests().empty());

    // Ticked: the block is cleared and the lamps become switches.
    w->CheckBoxCyfrOut()->click();
    EXPECT_TRUE(w->CheckBoxCyfrOut()->isChecked());
    EXPECT_TRUE(io->state.OutputsTakenOver);
    EXPECT_EQ(deviceBlock(), Block{});
    EXPECT_EQ(lamp2->cursor().shape(), Qt::PointingHandCursor);

    io->state.LastOutputs = 0x05;
    sim->clearRequests();
    QTest::mousePress(lamp2, Qt::LeftButton, {}, centre(lamp2));
    EXPECT_TRUE(w->imOutputOreol(1)->isVisible());
    QTest::mouseRelease(lamp2, Qt::LeftButton, {}, centre(lamp2));
    EXPECT_EQ(requests(), (std::vector<Request>{regWrite(REG_ARGUMENT, 0x07),
                                                regWrite(REG_COMMAND, CMD_SET_OUTPUTS)}));
    // The halo goes after 300 ms; a press on another lamp meanwhile takes it over.
    QTest::mousePress(w->imOutput(4), Qt::RightButton, {}, centre(w->imOutput(4)));
    EXPECT_FALSE(w->imOutputOreol(1)->isVisible());
    EXPECT_TRUE(w->imOutputOreol(4)->isVisible());
    QTest::mouseRelease(w->imOutput(4), Qt::RightButton, {}, centre(w->imOutput(4)));
    EXPECT_EQ(requests().size(), 2u) << "only the left button switches";
    EXPECT_TRUE(waitFor([w] { return !w->imOutputOreol(4)->isVisible(); }, 2000));

    // Unticked: written back, cursors back to default.
    w->CheckBoxCyfrOut()->click();
    EXPECT_EQ(deviceBlock(), original);
    EXPECT_FALSE(io->state.OutputsTakenOver);
    EXPECT_EQ(lamp2->cursor().shape(), Qt::ArrowCursor);
    EXPECT_EQ(messages, 0);
}

TEST_F(IoPanelTest, FailedTakeOverTurnsTheTickBackWithoutASecondTransaction)
{
    TFormCyfrInOut* w = openPanel();
    poll->enablePolling();
    sim::SimFaults silent;
    silent.silent = true;
    sim->setFaults(silent);
    sim->clearRequests();

    w->CheckBoxCyfrOut()->click();
    EXPECT_FALSE(w->CheckBoxCyfrOut()->isChecked());
    EXPECT_EQ(messages, 1);
    EXPECT_EQ(requests(), (std::vector<Request>{regWrite(REG_PAGE, 1)}));
    EXPECT_FALSE(w->outputsOperable());
    EXPECT_EQ(w->imOutput(0)->cursor().shape(), Qt::ArrowCursor);
    EXPECT_TRUE(poll->pollingEnabled());

    // The turned-back tick left nothing behind: the next click is a take-over again.
    sim->setFaults({});
    sim->clearRequests();
    w->CheckBoxCyfrOut()->click();
    EXPECT_TRUE(w->CheckBoxCyfrOut()->isChecked());
    EXPECT_EQ(requests().size(), 12u); // page, read, identification, eight zeros, 252
}

// The chart closes the strip with close(): the release comes as the last step of the
// roll-up. The program's own close hands the outputs back first.
TEST_F(IoPanelTest, ClosingWhileTakenOverReleasesTheOutputs)
{
    const Block original{3, 0, 0, 0, 0, 0, 0, 7};
    setBlock(original);
    for (bool viaController : {false, true}) {
        SCOPED_TRACE(viaController ? "controller close" : "window close");
        TFormCyfrInOut* w = openPanel();
        w->CheckBoxCyfrOut()->click();
        ASSERT_TRUE(io->state.OutputsTakenOver);
        sim->clearRequests();

        if (viaController) {
            io->close();
            EXPECT_FALSE(io->state.OutputsTakenOver) << "released before the roll-up";
        } else {
            w->close();
            EXPECT_TRUE(w->skin().isClosing());
            EXPECT_TRUE(io->state.OutputsTakenOver) << "not before the roll-up has run";
            EXPECT_TRUE(requests().empty());
        }
        ASSERT_TRUE(waitClosed());
        auto expected = blockFrames(original);
        expected.push_back(regWrite(REG_OUTPUT_CONTROL, 0));
        EXPECT_EQ(requests(), expected);
        EXPECT_EQ(deviceBlock(), original);
        EXPECT_FALSE(io->isOpen());
    }
}

TEST_F(IoPanelTest, ReopenedAfterAFailedReleaseTicksTheBoxAndTakesOverAgain)
{
    const Block original{1, 2, 0, 0, 0, 0, 0, 4};
    setBlock(original);
    TFormCyfrInOut* w = openPanel();
    w->CheckBoxCyfrOut()->click();
    port.cutAfter(4);
    w->CheckBoxCyfrOut()->click(); // the release fails half-way
    EXPECT_TRUE(w->CheckBoxCyfrOut()->isChecked());
    EXPECT_EQ(messages, 1);
    port.mend();
    w->close();
    // The close unticks the box; that release succeeds now.
    ASSERT_TRUE(waitClosed());
    EXPECT_FALSE(io->state.OutputsTakenOver);
    EXPECT_EQ(deviceBlock(), original);

    // Once more, with the link lost half-way through the release at the close.
    w = openPanel();
    w->CheckBoxCyfrOut()->click();
    port.cutAfter(4);
    io->close();
    ASSERT_TRUE(waitClosed());
    EXPECT_TRUE(io->state.OutputsTakenOver);
    EXPECT_EQ(deviceBlock(), (Block{1, 2, 0, 0, 0, 0, 0, 0}));
    port.mend();
    sim->clearRequests();
    w = openPanel();
    EXPECT_TRUE(w->CheckBoxCyfrOut()->isChecked());
    EXPECT_TRUE(w->outputsOperable());
    EXPECT_EQ(requests(), blockFrames(Block{})) << "no second 252 while still taken over";
    w->CheckBoxCyfrOut()->click();
    EXPECT_EQ(deviceBlock(), original);
}

// The take-over is cut off after three zeros and the line stays down for the write-back:
// the popup says the configuration is not restored and the copy is kept. Whichever way the
// work with the indicator ends next, the device gets its own block back (and 252 goes to 0
// only after it, where it was set).
TEST_F(IoPanelTest, ABlockLeftChangedGoesBackOnEveryEnd)
{
    const Block original{1, 2, 3, 4, 5, 6, 7, 8};
    const Block partly{0, 0, 0, 4, 5, 6, 7, 8};
    std::vector<Request> writeBack = blockFrames(original);
    std::vector<Request> retakeAndRelease = blockFrames(kZerosBlock);
    retakeAndRelease.push_back(regWrite(REG_OUTPUT_CONTROL, 1));
    retakeAndRelease.insert(retakeAndRelease.end(), writeBack.begin(), writeBack.end());
    retakeAndRelease.push_back(regWrite(REG_OUTPUT_CONTROL, 0));

    struct End
    {
        const char* name;
        std::function<void(TFormCyfrInOut*)> run;
        const std::vector<Request>& frames;
    };
    const End ends[] = {
        {"ticked again and unticked",
         [](TFormCyfrInOut* w) {
             w->CheckBoxCyfrOut()->click();
             w->CheckBoxCyfrOut()->click();
         },
         retakeAndRelease},
        {"strip closed by the program (chart, settings, exit)",
         [this](TFormCyfrInOut*) { io->close(); }, writeBack},
        {"strip closed on its own", [](TFormCyfrInOut* w) { w->close(); }, writeBack},
        {"no strip left, then the program's close",
         [this](TFormCyfrInOut* w) {
             port.cutAfter(0);
             w->close(); // its try at the end of the roll-up fails too
             ASSERT_TRUE(waitClosed());
             port.mend();
             sim->clearRequests();
             io->close();
         },
         writeBack},
    };
    for (const End& end : ends) {
        SCOPED_TRACE(end.name);
        setBlock(original);
        TFormCyfrInOut* w = openPanel();
        messages = 0;
        port.cutAfter(6); // page, read, identification, three zeros
        w->CheckBoxCyfrOut()->click();
        EXPECT_FALSE(w->CheckBoxCyfrOut()->isChecked());
        EXPECT_EQ(messages, 1);
        EXPECT_EQ(lastFailure, OutputFailure::BlockNotRestored);
        EXPECT_EQ(deviceBlock(), partly);
        EXPECT_TRUE(io->control.handBackOwed());

        port.mend();
        sim->clearRequests();
        end.run(w);
        ASSERT_TRUE(waitFor([this, &original] { return deviceBlock() == original; }, 3000));
        EXPECT_EQ(requests(), end.frames);
        EXPECT_FALSE(io->control.handBackOwed());
        EXPECT_FALSE(sim->outputControl());
        io->close();
        ASSERT_TRUE(waitClosed());
    }
}

// QWidget says it is destroyed from inside its own destructor; a strip asked for during the
// roll-up must wait until the old one is gone, and then come up exactly once.
TEST_F(IoPanelTest, AStripAskedForDuringTheRollUpOpensAfterTheOldOneIsGone)
{
    QPointer<TFormCyfrInOut> old = openPanel();
    bool openedInsideTheDestructor = false;
    QObject::connect(old, &QObject::destroyed, [this, &openedInsideTheDestructor] {
        openedInsideTheDestructor = io->isOpen();
    });
    old->close();
    io->open();
    EXPECT_EQ(io->window(), old.data()) << "never two strips at once";

    ASSERT_TRUE(waitFor([this, &old] { return old.isNull() && io->window() != nullptr; }, 3000));
    EXPECT_FALSE(openedInsideTheDestructor);
    EXPECT_TRUE(io->isOpen());
    int strips = 0;
    for (QWidget* top : QApplication::topLevelWidgets())
        strips += qobject_cast<TFormCyfrInOut*>(top) != nullptr;
    EXPECT_EQ(strips, 1);
    EXPECT_TRUE(waitFor([this] { return !io->window()->skin().isRevealing(); }, 3000));
}

TEST_F(IoPanelTest, StripDocksUnderTheMainWindowAndFollowsIt)
{
    TFormCyfrInOut* w = openPanel();
    EXPECT_EQ(w->geometry(), QRect(100, 80 + 395, 555, 92));
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Цифровые Входы/Выходы"));
    main->move(140, 60);
    EXPECT_EQ(w->pos(), QPoint(140, 60 + 395));

    // Presses, moves and releases on its background go to the main window's face handlers
    // in the strip's own coordinates; so do keys on its focus sink.
    std::vector<QString> seen;
    io->mouseDown = [&](Qt::MouseButton b, Qt::KeyboardModifiers, QPoint p) {
        seen.push_back(QStringLiteral("down %1 %2,%3").arg(int(b)).arg(p.x()).arg(p.y()));
    };
    io->mouseMove = [&](QPoint p) {
        seen.push_back(QStringLiteral("move %1,%2").arg(p.x()).arg(p.y()));
    };
    io->mouseUp = [&] { seen.push_back(QStringLiteral("up")); };
    io->keyDown = [&](int key, Qt::KeyboardModifiers) {
        seen.push_back(QStringLiteral("key %1").arg(key));
    };
    QTest::mousePress(w->PanelCyfrInOut(), Qt::LeftButton, {}, QPoint(5, 70));
    QTest::mouseMove(w->PanelCyfrInOut(), QPoint(9, 72));
    QTest::mouseRelease(w->PanelCyfrInOut(), Qt::LeftButton, {}, QPoint(9, 72));
    QTest::mousePress(w->GroupBox2(), Qt::LeftButton, {}, QPoint(3, 40));
    QTest::keyClick(w->ButtonPusto(), Qt::Key_5);
    EXPECT_EQ(seen, (std::vector<QString>{"down 1 5,70", "move 9,72", "up", "down 1 3,40",
                                          QStringLiteral("key %1").arg(int(Qt::Key_5))}));
}

TEST_F(IoPanelTest, TransferLockDisablesTheControlsAndSendsNothing)
{
    TFormCyfrInOut* w = openPanel();
    w->CheckBoxCyfrOut()->click();
    sim->clearRequests();
    io->setTransferLock(true);
    EXPECT_FALSE(w->CheckBoxCyfrOut()->isEnabled());
    EXPECT_FALSE(w->imOutput(3)->isEnabled());
    io->control.switchOutput(3);
    EXPECT_TRUE(requests().empty());

    io->setTransferLock(false);
    EXPECT_TRUE(w->CheckBoxCyfrOut()->isEnabled());
    QTest::mouseClick(w->imOutput(3), Qt::LeftButton, {}, centre(w->imOutput(3)));
    EXPECT_EQ(requests().size(), 2u);
}

} // namespace
} // namespace korvel::test
