// The message popup: its layout for every message of the program, and the
// modal showing driven as a user would (keys, OK click, drag).
#include "ui/MessagePopup.h"
#include "ui/SkinnedWindow.h"

#include <QApplication>
#include <QFontInfo>
#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

using namespace korvel;

struct PopupCase
{
    const char* name;
    QString text;
    int growW, growOkX, growH;
    QSize size;
    QPoint ok;
};

class PopupGeometry : public testing::TestWithParam<PopupCase>
{
};

TEST_P(PopupGeometry, LayoutGrowsWithTheMessage)
{
    const PopupCase& c = GetParam();
    const auto g = TFormMessage::geometryFor(c.growW, c.growOkX, c.growH);
    EXPECT_EQ(g.size, c.size);
    EXPECT_EQ(g.okButton, QRect(c.ok, QSize(75, 25)));
    EXPECT_EQ(g.label, QRect(1, 21, c.size.width() - 2, c.size.height() - 22));

    TFormMessage form;
    form.setMessage(c.text, c.growW, c.growOkX, c.growH);
    EXPECT_EQ(form.size(), c.size);
    EXPECT_EQ(form.paMessage()->geometry(), QRect(QPoint(0, 0), c.size));
    EXPECT_EQ(form.laMessage()->geometry(), g.label);
    EXPECT_EQ(form.BitBtnOK()->geometry(), g.okButton);
    EXPECT_EQ(form.laMessage()->text(), c.text);
}

TEST_P(PopupGeometry, ShortPortNamesFitTheDescribedGrowth)
{
    const PopupCase& c = GetParam();
    EXPECT_EQ(TFormMessage::growthToFit(c.text, c.growW), c.growW);
}

TEST(MessagePopup, ALongDevicePathWidensThePopupInsteadOfBeingCut)
{
    const QString text = QStringLiteral(
        "Не могу открыть \"/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0\", "
        "порт занят.\n\nОпрос веса не осуществляется.");
    const int growW = TFormMessage::growthToFit(text, 100);
    EXPECT_GT(growW, 100);
    EXPECT_EQ(growW % 2, 0);
    const QString widest = text.split(QLatin1Char('\n')).first();
    const QFontMetrics metrics(TFormMessage().laMessage()->font());
    EXPECT_LE(metrics.horizontalAdvance(widest),
              TFormMessage::geometryFor(growW, growW / 2, 36).label.width());
}

INSTANTIATE_TEST_SUITE_P(
    Messages, PopupGeometry,
    testing::Values(
        PopupCase{"default", TFormMessage::defaultText(), 0, 0, 0, {205, 103}, {64, 56}},
        PopupCase{"no_port", QStringLiteral("COM-порт не задан."), 0, 0, 0, {205, 103}, {64, 56}},
        PopupCase{"missing_port",
                  QStringLiteral("Не могу открыть \"COM3\",\nтакого порта не существует.\n\n"
                                 "Опрос веса не осуществляется."),
                  80,
                  40,
                  48,
                  {285, 151},
                  {104, 104}},
        PopupCase{"port_not_permitted",
                  QStringLiteral("Не могу открыть \"ttyUSB0\",\nнет прав доступа к порту\n"
                                 "(нужна группа dialout).\n\nОпрос веса не осуществляется."),
                  80,
                  40,
                  60,
                  {285, 163},
                  {104, 116}},
        PopupCase{"busy_port",
                  QStringLiteral("Не могу открыть \"COM3\", порт занят.\n\n"
                                 "Опрос веса не осуществляется."),
                  100,
                  50,
                  36,
                  {305, 139},
                  {114, 92}},
        PopupCase{"port_error",
                  QStringLiteral("Не могу открыть \"COM3\", код ошибки: 6.\n\n"
                                 "Опрос веса не осуществляется."),
                  110,
                  55,
                  36,
                  {315, 139},
                  {119, 92}},
        PopupCase{"port_parameters",
                  QStringLiteral("Необходимые параметры порта \"COM3\"\nне установлены"),
                  120,
                  60,
                  12,
                  {325, 115},
                  {124, 68}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MessagePopup, LooksAsDesigned)
{
    TFormMessage form;
    EXPECT_TRUE(form.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_EQ(form.laMessage()->text(), QStringLiteral("Ошибка связи с прибором !"));
    EXPECT_EQ(form.paMessage()->palette().color(QPalette::Window), QColor(128, 0, 0));
    EXPECT_EQ(form.laMessage()->palette().color(QPalette::WindowText), QColor(Qt::white));
    EXPECT_EQ(form.laMessage()->alignment(), Qt::AlignHCenter | Qt::AlignTop);
    EXPECT_FALSE(form.laMessage()->wordWrap());
    EXPECT_EQ(form.laMessage()->textFormat(), Qt::PlainText);
    const QFontInfo font(form.laMessage()->font());
    EXPECT_EQ(font.family(), QStringLiteral("Liberation Sans"));
    EXPECT_EQ(font.pixelSize(), 13);
    EXPECT_EQ(form.BitBtnOK()->text(), QStringLiteral("OK"));
    EXPECT_FALSE(form.BitBtnOK()->autoDefault());
    EXPECT_EQ(form.TimerViewMessage()->interval(), 15);
}

namespace {

// Runs `inside` once the popup's modal loop is up, then clicks OK.
void whilePopupIsUp(const std::function<void(TFormMessage*)>& inside)
{
    QTimer::singleShot(50, [inside] {
        auto* form = qobject_cast<TFormMessage*>(QApplication::activeModalWidget());
        ASSERT_NE(form, nullptr);
        inside(form);
        QTest::mouseClick(form->BitBtnOK(), Qt::LeftButton);
    });
}

struct MainWindowFixture : testing::Test
{
    QWidget main;
    void SetUp() override
    {
        main.setWindowFlag(Qt::FramelessWindowHint);
        main.setGeometry(100, 100, 555, 398);
        main.show();
        SkinnedWindow::setMainWindow(&main);
    }
    void TearDown() override { SkinnedWindow::setMainWindow(nullptr); }
};

} // namespace

using MessagePopupShown = MainWindowFixture;

TEST_F(MessagePopupShown, KeyboardDoesNotDismissAndOkClosesAfterTheShrink)
{
    int otherTimerTicks = 0;
    QTimer other;
    QObject::connect(&other, &QTimer::timeout, [&] { ++otherTimerTicks; });
    other.start(5);

    QList<int> closeSteps;
    bool checked = false;
    whilePopupIsUp([&](TFormMessage* form) {
        EXPECT_EQ(form->pos(), QPoint(215, 194)); // over the main window
        EXPECT_EQ(form->focusWidget(), form->ButtonPusto());
        EXPECT_EQ(form->ButtonPusto()->size(), QSize(0, 0));
        for (auto key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) {
            QTest::keyClick(form->ButtonPusto(), key);
            QTest::keyClick(form, key);
        }
        QApplication::processEvents();
        EXPECT_TRUE(form->isVisible());
        EXPECT_FALSE(form->skin()->isClosing());
        checked = true;
        QObject::connect(form->skin(), &SkinnedWindow::stepApplied,
                         [&](int step, const QRegion&) { closeSteps << step; });
        // the reveal may still be running: OK stops it and shrinks from there
    });
    ShowFormMessage(QStringLiteral("Необходимые параметры порта \"COM3\"\nне установлены"), 120, 60,
                    12);

    EXPECT_TRUE(checked);
    EXPECT_GT(otherTimerTicks, 0); // the modal loop kept the other timers going
    ASSERT_FALSE(closeSteps.isEmpty());
    EXPECT_TRUE(closeSteps.back() == 2 || closeSteps.back() == 3);
    for (qsizetype i = 1; i < closeSteps.size(); ++i)
        ASSERT_EQ(closeSteps[i], closeSteps[i - 1] - 2);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(MessagePopupShown, RevealGrowsUntilTwiceTheWidth)
{
    TFormMessage form;
    form.show();
    EXPECT_EQ(form.skin()->revealStep(), 1);
    EXPECT_TRUE(form.TimerViewMessage()->isActive());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !form.TimerViewMessage()->isActive(); }, 5000));
    EXPECT_EQ(form.skin()->revealStep(), 421); // 1 + 28 * 15 > 2 * 205
    EXPECT_EQ(form.mask(), form.skin()->profile().frame(form.size()).region());
}

TEST_F(MessagePopupShown, DraggedByItsBackground)
{
    TFormMessage form;
    form.show();
    const QPoint start = form.pos();
    auto mouse = [](QWidget* w, QEvent::Type t, QPoint p, Qt::MouseButtons held) {
        const Qt::MouseButton b = t == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent e(t, p, w->mapToGlobal(p), b, held, Qt::NoModifier);
        QCoreApplication::sendEvent(w, &e);
    };
    mouse(form.laMessage(), QEvent::MouseButtonPress, {50, 10}, Qt::LeftButton);
    mouse(form.laMessage(), QEvent::MouseMove, {90, 40}, Qt::LeftButton);
    mouse(form.laMessage(), QEvent::MouseButtonRelease, {90, 40}, Qt::NoButton);
    EXPECT_EQ(form.pos(), start + QPoint(40, 30));
    mouse(form.paMessage(), QEvent::MouseButtonPress, {3, 3}, Qt::LeftButton);
    mouse(form.paMessage(), QEvent::MouseMove, {1, 13}, Qt::LeftButton);
    EXPECT_EQ(form.pos(), start + QPoint(38, 40));
}

TEST(MessagePopup, WithoutAMainWindowItIsPlacedOverTheScreen)
{
    SkinnedWindow::setMainWindow(nullptr);
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    whilePopupIsUp([&](TFormMessage* form) {
        EXPECT_EQ(form->pos(), QPoint(screen.left() + (screen.width() - 205) / 2,
                                      screen.top() + (screen.height() - 103) / 3));
    });
    ShowFormMessage();
}
