// Close and minimize buttons: which picture shows on enter, leave, move, press
// and release, and how hovering one button resets the others.
#include "ui/ButtonArt.h"
#include "ui/ImageButton.h"
#include "ui/SkinnedWindow.h"

#include <QAccessible>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QWidget>
#include <gtest/gtest.h>

using namespace korvel;
using Picture = ImageButton::Picture;

namespace {

void send(QWidget* target, QEvent::Type type, QPoint pos = {5, 5},
          Qt::MouseButton button = Qt::NoButton)
{
    if (type == QEvent::Enter) {
        QEnterEvent e(pos, target->mapToGlobal(pos), target->mapToGlobal(pos));
        QCoreApplication::sendEvent(target, &e);
        return;
    }
    if (type == QEvent::Leave) {
        QEvent e(QEvent::Leave);
        QCoreApplication::sendEvent(target, &e);
        return;
    }
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : button;
    QMouseEvent e(type, pos, target->mapToGlobal(pos), button, held, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &e);
}

struct MainButtons
{
    QWidget window;
    QWidget* background = new QWidget(&window);
    ImageButton* close = new ImageButton(CloseButtonPictures(), &window);
    ImageButton* minimize = new ImageButton(MinimizeButtonPictures(), &window);
    SkinnedWindow* skin = new SkinnedWindow(&window, SkinProfile::mainWindow(398));

    MainButtons()
    {
        window.resize(555, 398);
        background->setGeometry(window.rect());
        close->move(492, 0);
        minimize->move(467, 0);
        close->raise();
        minimize->raise();
        close->setReleaseShowsHover(false);
        skin->addImageButton(close);
        skin->addImageButton(minimize);
        skin->addHoverResetSource(background);
        skin->setResetButtonsOnLeave(true);
        window.show();
    }
};

} // namespace

TEST(ImageButton, PicturesFollowEnterPressReleaseAndLeave)
{
    MainButtons m;
    ImageButton* b = m.minimize;
    EXPECT_EQ(b->size(), QSize(28, 20));
    EXPECT_EQ(b->shownPicture(), Picture::Normal);
    QSignalSpy clicks(b, &ImageButton::clicked);

    send(b, QEvent::Enter);
    EXPECT_EQ(b->shownPicture(), Picture::Hover);
    EXPECT_TRUE(b->hoverFlag());
    EXPECT_EQ(b->pixmap().toImage(), b->pictures().hover.toImage());
    send(b, QEvent::MouseButtonPress, {5, 5}, Qt::LeftButton);
    EXPECT_EQ(b->shownPicture(), Picture::Pressed);
    EXPECT_EQ(b->pixmap().toImage(), b->pictures().pressed.toImage());
    send(b, QEvent::MouseButtonRelease, {5, 5}, Qt::LeftButton);
    EXPECT_EQ(b->shownPicture(), Picture::Hover);
    EXPECT_EQ(clicks.count(), 1);
    send(b, QEvent::Leave);
    EXPECT_EQ(b->shownPicture(), Picture::Normal);
    EXPECT_FALSE(b->hoverFlag());

    // a release outside the button is no click; a right press shows nothing
    send(b, QEvent::MouseButtonPress, {5, 5}, Qt::LeftButton);
    send(b, QEvent::MouseButtonRelease, {100, 5}, Qt::LeftButton);
    send(b, QEvent::MouseButtonPress, {5, 5}, Qt::RightButton);
    EXPECT_NE(b->shownPicture(), Picture::Pressed);
    EXPECT_EQ(clicks.count(), 1);
}

TEST(ImageButton, MainCloseButtonKeepsItsPressedPictureAfterTheClickingRelease)
{
    MainButtons m;
    QSignalSpy clicks(m.close, &ImageButton::clicked);
    send(m.close, QEvent::Enter);
    send(m.close, QEvent::MouseButtonPress, {5, 5}, Qt::LeftButton);
    send(m.close, QEvent::MouseButtonRelease, {5, 5}, Qt::LeftButton);
    EXPECT_EQ(m.close->shownPicture(), Picture::Pressed);
    EXPECT_EQ(clicks.count(), 1);
}

TEST(ImageButton, PressNeedsHoverShowsPressedOnlyWhileHovered)
{
    QWidget w;
    ImageButton b(CloseButtonPictures(), &w);
    b.setPressNeedsHover(true);
    send(&b, QEvent::MouseButtonPress, {5, 5}, Qt::LeftButton);
    EXPECT_EQ(b.shownPicture(), Picture::Normal);
    send(&b, QEvent::MouseButtonRelease, {5, 5}, Qt::LeftButton);
    send(&b, QEvent::MouseMove);
    send(&b, QEvent::MouseButtonPress, {5, 5}, Qt::LeftButton);
    EXPECT_EQ(b.shownPicture(), Picture::Pressed);
}

TEST(ImageButton, HoveringOneButtonOrTheBackgroundResetsTheOthers)
{
    MainButtons m;
    send(m.close, QEvent::MouseMove);
    EXPECT_TRUE(m.close->hoverFlag());
    EXPECT_EQ(m.close->shownPicture(), Picture::Hover);

    // moving straight onto the neighbour, with no leave in between
    send(m.minimize, QEvent::MouseMove);
    EXPECT_TRUE(m.minimize->hoverFlag());
    EXPECT_FALSE(m.close->hoverFlag());
    EXPECT_EQ(m.close->shownPicture(), Picture::Normal);

    send(m.background, QEvent::MouseMove, {100, 100});
    EXPECT_FALSE(m.minimize->hoverFlag());
    EXPECT_EQ(m.minimize->shownPicture(), Picture::Normal);

    send(m.close, QEvent::MouseMove);
    send(&m.window, QEvent::Leave);
    EXPECT_EQ(m.close->shownPicture(), Picture::Normal);
    EXPECT_FALSE(m.close->hoverFlag());
}

// Pictures alone say nothing to a screen reader or to UI automation: each button is a
// pressable button under the name of its role.
TEST(ImageButton, AssistiveTechnologyFindsAndPressesItByName)
{
    MainButtons m;
    const std::pair<ImageButton*, QString> buttons[] = {{m.close, QStringLiteral("Закрыть")},
                                                        {m.minimize, QStringLiteral("Свернуть")}};
    for (const auto& [button, name] : buttons) {
        SCOPED_TRACE(name.toStdString());
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(button);
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->role(), QAccessible::Button);
        EXPECT_EQ(a->text(QAccessible::Name), name);
        ASSERT_NE(a->actionInterface(), nullptr);
        EXPECT_TRUE(a->actionInterface()->actionNames().contains(
            QAccessibleActionInterface::pressAction()));
        QSignalSpy clicks(button, &ImageButton::clicked);
        a->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        EXPECT_EQ(clicks.count(), 1);
    }
}
