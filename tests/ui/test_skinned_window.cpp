// The shared window behaviour on real (offscreen) widgets: the close protocol,
// a close during the reveal, dragging, the framed view and the focus sink.
#include "ui/SkinnedWindow.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

using namespace korvel;

namespace {

// A settings-dialog-like window: a background panel to drag by.
struct Window
{
    QWidget widget;
    QWidget* background = new QWidget(&widget);
    QLabel* caption = new QLabel(QStringLiteral("caption"), background);
    SkinnedWindow* skin = nullptr;
    int revealEnds = 0;
    int ownCloseWork = 0;

    explicit Window(SkinProfile profile, QSize size = {290, 415})
    {
        widget.setWindowFlag(Qt::FramelessWindowHint);
        widget.resize(size);
        background->setGeometry(widget.rect());
        caption->setGeometry(20, 20, 100, 20);
        skin = new SkinnedWindow(&widget, std::move(profile));
        skin->addDragSource(background);
        skin->addDragSource(caption);
        QObject::connect(skin, &SkinnedWindow::revealFinished, [this] { ++revealEnds; });
        QObject::connect(skin, &SkinnedWindow::closeFinished, [this] { ++ownCloseWork; });
    }
};

void sendMouse(QWidget* target, QEvent::Type type, QPoint pos, Qt::MouseButton button,
               Qt::MouseButtons buttons)
{
    QMouseEvent e(type, pos, target->mapToGlobal(pos), button, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &e);
}

} // namespace

TEST(SkinnedWindow, CloseIsRefusedUntilTheClosingAnimationHasRun)
{
    Window w(SkinProfile::settingsDialog(415));
    w.widget.show();
    w.skin->startReveal();
    while (w.skin->isRevealing())
        w.skin->revealTick();

    EXPECT_FALSE(w.widget.close());
    EXPECT_TRUE(w.widget.isVisible());
    EXPECT_TRUE(w.skin->isClosing());
    EXPECT_TRUE(w.skin->closeTimer()->isActive());
    EXPECT_FALSE(w.widget.close()); // a second request while closing changes nothing
    const int stepBefore = w.skin->revealStep();
    w.skin->closeTick();
    EXPECT_EQ(w.skin->revealStep(), stepBefore - 15);
    EXPECT_TRUE(w.widget.isVisible());

    while (!w.skin->closeAllowed())
        w.skin->closeTick();
    // the last tick requested the close again, and it went through
    EXPECT_FALSE(w.widget.isVisible());
    EXPECT_EQ(w.ownCloseWork, 1);
}

TEST(SkinnedWindow, CloseDuringTheRevealStopsTheRevealAndShrinksFromThere)
{
    Window w(SkinProfile::settingsDialog(415));
    w.widget.show();
    w.skin->startReveal();
    for (int i = 0; i < 5; ++i)
        w.skin->revealTick();
    EXPECT_EQ(w.skin->revealStep(), 52);

    w.widget.close();
    EXPECT_FALSE(w.skin->isRevealing());
    w.skin->revealTick(); // a tick already queued must not move the step
    EXPECT_EQ(w.skin->revealStep(), 52);
    while (!w.skin->closeAllowed())
        w.skin->closeTick();
    EXPECT_FALSE(w.widget.isVisible());
    EXPECT_EQ(w.revealEnds, 0); // no end-of-reveal work for a closing window
}

TEST(SkinnedWindow, CloseArrivingWhileTheLastRevealStepPumpsEventsCancelsTheRevealEnd)
{
    // The main window's reveal lets events run inside each step; a close that
    // lands there must not be followed by the end-of-reveal start-up work.
    Window w(SkinProfile::mainWindow(398), {555, 398});
    w.widget.show();
    w.skin->startReveal();
    w.skin->revealTimer()->stop(); // stepped by hand
    QObject::connect(w.skin, &SkinnedWindow::stepApplied, [&](int step, const QRegion&) {
        if (step > 555 && !w.skin->isClosing())
            QMetaObject::invokeMethod(&w.widget, &QWidget::close, Qt::QueuedConnection);
    });
    for (int i = 0; i < 56; ++i)
        w.skin->revealTick();
    EXPECT_TRUE(w.skin->isClosing());
    EXPECT_EQ(w.revealEnds, 0);
}

TEST(SkinnedWindow, ManualCloseLetsTheWindowWorkBeforeTheAnimation)
{
    struct MainLike : QWidget
    {
        SkinnedWindow* skin = new SkinnedWindow(this, SkinProfile::mainWindow(398));
        int shutdownWork = 0;
        MainLike() { skin->setInterceptsClose(false); }
        void closeEvent(QCloseEvent* e) override
        {
            if (skin->closeAllowed()) {
                e->accept();
                return;
            }
            ++shutdownWork;
            e->ignore();
            skin->startClosing();
        }
    } w;
    w.resize(555, 398);
    w.show();
    w.skin->startReveal();
    w.skin->revealTimer()->stop();
    w.skin->setRevealStep(561);
    EXPECT_FALSE(w.close());
    EXPECT_EQ(w.shutdownWork, 1);
    w.skin->closeTimer()->stop(); // stepped by hand
    int ticks = 0;
    while (!w.skin->closeAllowed() && ++ticks < 1000)
        w.skin->closeTick();
    EXPECT_EQ(ticks, 39);
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(w.shutdownWork, 1);
}

TEST(SkinnedWindow, LeftDragOnTheBackgroundMovesTheWindowOtherButtonsDoNot)
{
    Window w(SkinProfile::settingsDialog(415));
    w.widget.move(100, 100);
    w.widget.show();
    const QPoint start = w.widget.pos();

    sendMouse(w.background, QEvent::MouseButtonPress, {10, 10}, Qt::RightButton, Qt::RightButton);
    EXPECT_FALSE(w.skin->dragActive());
    sendMouse(w.background, QEvent::MouseMove, {50, 50}, Qt::NoButton, Qt::RightButton);
    EXPECT_EQ(w.widget.pos(), start);
    sendMouse(w.background, QEvent::MouseButtonRelease, {50, 50}, Qt::RightButton, {});

    // press on the caption: coordinates are the caption's own
    sendMouse(w.caption, QEvent::MouseButtonPress, {5, 5}, Qt::LeftButton, Qt::LeftButton);
    EXPECT_TRUE(w.skin->dragActive());
    sendMouse(w.caption, QEvent::MouseMove, {35, 20}, Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(w.widget.pos(), start + QPoint(30, 15));
    sendMouse(w.caption, QEvent::MouseMove, {0, 0}, Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(w.widget.pos(), start + QPoint(25, 10));
    sendMouse(w.caption, QEvent::MouseButtonRelease, {0, 0}, Qt::LeftButton, {});
    EXPECT_FALSE(w.skin->dragActive());
    sendMouse(w.caption, QEvent::MouseMove, {40, 40}, Qt::NoButton, {});
    EXPECT_EQ(w.widget.pos(), start + QPoint(25, 10));
}

TEST(SkinnedWindow, RestoreShapedWindowReturnsFromTheFramedView)
{
    QWidget main;
    main.setWindowFlag(Qt::FramelessWindowHint);
    main.resize(555, 398);
    main.setMinimumSize(555, 398);
    auto* chart = new QWidget(&main);
    SkinnedWindow skin(&main, SkinProfile::mainWindow(398));
    main.show();
    skin.startReveal();
    skin.revealTimer()->stop();
    skin.setRevealStep(561);

    skin.EnterFramedWindow();
    chart->show();
    main.resize(800, 600);
    EXPECT_FALSE(main.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_TRUE(main.mask().isEmpty());

    skin.RestoreShapedWindow(chart);
    EXPECT_TRUE(main.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_TRUE(main.isVisible());
    EXPECT_FALSE(chart->isVisible());
    EXPECT_EQ(main.size(), QSize(555, 398));
    EXPECT_EQ(main.mask(), SkinProfile::mainWindow(398).frame({555, 398}).region());
}

TEST(SkinnedWindow, FocusSinkIsShrunkAndHoldsTheFocus)
{
    QWidget w;
    auto* ok = new QPushButton(QStringLiteral("OK"), &w);
    SkinnedWindow skin(&w, SkinProfile::settingsDialog(415));
    QPushButton* sink = SkinnedWindow::makeFocusSink(&w);
    sink->setGeometry(5, 5, 30, 20);
    skin.setFocusSink(sink);
    ok->setFocus();
    w.show();
    skin.takeFocus();
    EXPECT_EQ(sink->objectName(), QStringLiteral("ButtonPusto"));
    EXPECT_EQ(sink->size(), QSize(0, 0));
    EXPECT_EQ(w.focusWidget(), sink);
    EXPECT_FALSE(sink->autoDefault());
}
