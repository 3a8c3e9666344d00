#include "panel/FrontPanel.h"

#include "link/LinkTrace.h"
#include "panel/DigitPanel.h"
#include "panel/KeyTable.h"
#include "panel/PanelArt.h"
#include "panel/PanelStyle.h"
#include "panel/PointShape.h"
#include "panel/Rendering.h"
#include "panel/SegmentCode.h"
#include "panel/SvgPicture.h"

#include <QEvent>
#include <QFontMetrics>
#include <QLabel>

#include <algorithm>

namespace korvel {

namespace {

constexpr int kRow1Left[6] = {41, 78, 116, 154, 192, 230};               // Panel6Ind1 .. Panel1Ind1
constexpr int kRow2Left[9] = {41, 64, 87, 110, 133, 156, 179, 202, 224}; // Panel9Ind2 .. Panel1Ind2

struct LampPlace
{
    const char* name;
    int x, y;
};
// In the order of the Lamp enumeration.
constexpr LampPlace kLamps[8] = {
    {"imStab", 39, 242}, {"imTare", 99, 242},  {"imZero", 159, 242}, {"imDoz1", 39, 212},
    {"imDoz2", 99, 212}, {"imDoz3", 159, 212}, {"imDoz4", 219, 212}, {"imData", 219, 242},
};

// нет связи and не открыт, one letter per digit of row 2.
const QString kNoLinkRow2[9] = {"н", "е", "т", "", "с", "в", "я", "з", "и"};
const QString kNotOpenRow2[9] = {"н", "е", "", "о", "т", "к", "р", "ы", "т"};

constexpr int kTraceHeight = 17;

// Where la6Ind1Up goes inside the leftmost digit. The label's underscore must read as segment
// a: its ink starts on the row where a full digit's ink starts (the top of an "8" in the
// regular font, on the same baseline as the neighbours), and lies across where the bottom bar
// "_" of that digit lies. Taken from the fonts' own metrics, as the stand-in faces put their
// underscores at quite different depths below the baseline.
QRect topBarGeometry(const QFont& barFont, QSize digit)
{
    const QFont digitFont = PanelStyle::digitFont(PointsToPixels(ROW1_FONT_PT));
    const int digitTop = DigitPanel::captionBaseline(digitFont.pixelSize(), digit.height()) +
                         QFontMetrics(digitFont).boundingRect(QLatin1Char('8')).top();
    const QFontMetrics bar(barFont);
    const QRect ink = bar.boundingRect(QLatin1Char('_'));
    // The label draws its text from its top-left corner, the baseline one ascent down.
    const int top = digitTop - ink.top() - bar.ascent();
    const int space = bar.horizontalAdvance(QLatin1Char(' '));
    const int left =
        DigitPanel::captionLeft(bar.horizontalAdvance(QLatin1Char('_')), digit.width()) - space;
    // Big enough for all of the underscore's ink, which may reach past its advance.
    const int width = space + std::max(bar.horizontalAdvance(QLatin1Char('_')), ink.right() + 1);
    const int height = bar.ascent() + std::max(bar.descent(), ink.bottom() + 1);
    return QRect(left, top, width, height);
}

} // namespace

FrontPanel::FrontPanel(QWidget* parent) : QWidget(parent)
{
    setupUi();
}

FrontPanel::~FrontPanel() = default;

void FrontPanel::setupUi()
{
    setObjectName(QStringLiteral("FrontPanel"));
    setFixedSize(555, 398);
    setFont(PanelStyle::windowFont());

    mainPanel_ = new QWidget(this);
    mainPanel_->setObjectName(QStringLiteral("MainPanel"));
    mainPanel_->setGeometry(0, 0, 555, 398);

    // The face is 8 pixels taller at the top than the window, which crops it.
    mainImage_ = new SvgPicture(QStringLiteral("MainImage"), QRect(0, -8, 577, 414), mainPanel_);
    mainImage_->setFallbackColor(QColor(52, 56, 62));

    createDigits();
    createLamps();
    createKeyPictures();

    version_ = new QLabel(mainPanel_);
    version_->setObjectName(QStringLiteral("laKorvelVersiya"));
    version_->setGeometry(36, 8, 260, 14);
    version_->setAttribute(Qt::WA_TranslucentBackground);
    version_->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    createTracePanels();
    SetFace(Face::Simple);
}

void FrontPanel::createDigits()
{
    for (int i = 0; i < 6; ++i) {
        const int n = 6 - i;
        auto* d = new DigitPanel(QStringLiteral("Panel%1Ind1").arg(n),
                                 QRect(kRow1Left[i], 57, 39, 57), ROW1_FONT_PT, mainPanel_);
        d->setPoint(new PointShape(QStringLiteral("sh%1Ind1").arg(n), QRect(28, 44, 10, 10), d));
        row1_[n - 1] = d;
    }
    for (int i = 0; i < 9; ++i) {
        const int n = 9 - i;
        auto* d = new DigitPanel(QStringLiteral("Panel%1Ind2").arg(n),
                                 QRect(kRow2Left[i], 139, 23, 42), ROW2_FONT_PT, mainPanel_);
        const QRect point(i < 2 ? 16 : 15, 32, 7, n == 9 ? 8 : 7);
        d->setPoint(new PointShape(QStringLiteral("sh%1Ind2").arg(n), point, d));
        row2_[n - 1] = d;
    }
    for (DigitPanel* d : row1_)
        connect(d, &DigitPanel::doubleClicked, this, &FrontPanel::digitDoubleClicked);
    for (DigitPanel* d : row2_)
        connect(d, &DigitPanel::doubleClicked, this, &FrontPanel::digitDoubleClicked);

    // The top bar of the leftmost digit: the underscore of " _" in the digit's small font,
    // lifted until it lies where the neighbours' digits begin.
    la6Ind1Up_ = new QLabel(QStringLiteral(" _"), row1_[5]);
    la6Ind1Up_->setObjectName(QStringLiteral("la6Ind1Up"));
    la6Ind1Up_->setFont(PanelStyle::digitFont(PointsToPixels(ROW1_UNDERSCORE_FONT_PT)));
    la6Ind1Up_->setGeometry(topBarGeometry(la6Ind1Up_->font(), row1_[5]->size()));
    la6Ind1Up_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    la6Ind1Up_->setAttribute(Qt::WA_TranslucentBackground);
    la6Ind1Up_->setAttribute(Qt::WA_TransparentForMouseEvents);
    QPalette pal = la6Ind1Up_->palette();
    pal.setColor(QPalette::WindowText, PanelStyle::segmentGreen());
    la6Ind1Up_->setPalette(pal);
    la6Ind1Up_->hide();
}

void FrontPanel::createLamps()
{
    for (int i = 0; i < 8; ++i) {
        auto* lamp = new SvgPicture(QString::fromLatin1(kLamps[i].name),
                                    QRect(kLamps[i].x, kLamps[i].y, 20, 20), mainPanel_);
        lamp->setPicture(PanelArt::lampPicture(static_cast<Lamp>(i)));
        lamp->hide();
        lamps_[i] = lamp;
    }
}

void FrontPanel::createKeyPictures()
{
    // Placed and hidden; the keypad shows them while a key counts as pressed.
    for (const KeyDef& k : keyTable()) {
        auto* pic = new SvgPicture(QString::fromLatin1(k.control),
                                   QRect(k.picLeft, k.picTop, k.picWidth, k.picHeight), mainPanel_);
        const QString caption = QString::fromLatin1(k.caption);
        pic->setPicture(PanelArt::keyPicture(caption, Face::Simple));
        pic->hide();
        keys_[caption] = pic;
    }
}

void FrontPanel::createTracePanels()
{
    const QRect places[3] = {QRect(0, 0, 337, kTraceHeight),
                             QRect(0, kTraceHeight, 337, kTraceHeight),
                             QRect(337, 0, 65, kTraceHeight)};
    for (int i = 0; i < 3; ++i) {
        auto* p = new QLabel(this);
        p->setObjectName(QStringLiteral("Panel%1").arg(i + 1));
        p->setGeometry(places[i]);
        p->setFont(PanelStyle::traceFont());
        p->setAutoFillBackground(true);
        p->setAlignment(i < 2 ? Qt::AlignLeft | Qt::AlignVCenter : Qt::AlignCenter);
        p->installEventFilter(this);
        p->hide();
        trace_[i] = p;
    }
}

SvgPicture* FrontPanel::keyPicture(const QString& key) const
{
    const auto it = keys_.find(key);
    return it == keys_.end() ? nullptr : it->second;
}

void FrontPanel::ShowDisplay(const std::uint8_t* codes)
{
    ShowRow1LeftDigit(codes[0]);
    for (int i = 1; i < 6; ++i) {
        DigitPanel* d = row1_[5 - i]; // Panel5Ind1 .. Panel1Ind1
        ShowRow1Digit(codes[i], *d, *d->point());
    }
    for (int i = 0; i < 9; ++i) {
        DigitPanel* d = row2_[8 - i]; // Panel9Ind2 .. Panel1Ind2
        d->setCaption(DecodeSegments(codes[6 + i], *d->point()));
    }
}

void FrontPanel::ShowRow1LeftDigit(std::uint8_t code)
{
    DigitPanel& d = *row1_[5];
    if (code == LEFT_DIGIT_TOP_BAR) {
        d.setCaption(QStringLiteral(" "));
        la6Ind1Up_->setVisible(true);
        d.point()->setLit(false);
    } else if (code == LEFT_DIGIT_TOP_BOTTOM_BARS) {
        d.setCaption(QStringLiteral("_"));
        if (d.fontSize() == ROW1_FONT_PT)
            d.setFontSize(ROW1_UNDERSCORE_FONT_PT);
        la6Ind1Up_->setVisible(true);
        d.point()->setLit(false);
    } else {
        if (!la6Ind1Up_->isHidden())
            la6Ind1Up_->hide();
        ShowRow1Digit(code, d, *d.point());
    }
}

void FrontPanel::ShowNoLink()
{
    for (DigitPanel* d : row1_) {
        d->setCaption(QString());
        d->point()->setLit(false);
    }
    for (int i = 0; i < 9; ++i) {
        DigitPanel* d = row2_[8 - i];
        d->setCaption(kNoLinkRow2[i]);
        d->point()->setLit(false);
    }
}

void FrontPanel::ShowPortNotOpen(const QString& commName)
{
    const std::array<QString, 6> row1 = PortNotOpenRow1(commName);
    for (int i = 0; i < 6; ++i) {
        row1_[5 - i]->setText(row1[i]);
        row1_[5 - i]->point()->setVisible(false);
    }
    for (int i = 0; i < 9; ++i) {
        row2_[8 - i]->setText(kNotOpenRow2[i]);
        row2_[8 - i]->point()->setVisible(false);
    }
}

void FrontPanel::SetFace(Face face)
{
    face_ = face;
    mainImage_->setPicture(PanelArt::facePicture(face));
    for (const KeyDef& k : keyTable()) {
        if (k.faceDependent) {
            const QString caption = QString::fromLatin1(k.caption);
            keys_.at(caption)->setPicture(PanelArt::keyPicture(caption, face));
        }
    }
}

bool FrontPanel::lampVisible(Lamp lamp) const
{
    return !lamps_[static_cast<int>(lamp)]->isHidden();
}

void FrontPanel::setLampVisible(Lamp lamp, bool on)
{
    lamps_[static_cast<int>(lamp)]->setVisible(on);
}

QString FrontPanel::versionText() const
{
    return version_->text();
}

void FrontPanel::setVersionText(const QString& text)
{
    if (version_->text() != text)
        version_->setText(text);
}

void FrontPanel::showTrace(const QString& panel1, const QString& panel2, const QString& panel3)
{
    const QString texts[3] = {panel1, panel2, panel3};
    for (int i = 0; i < 3; ++i) {
        trace_[i]->setText(texts[i]);
        trace_[i]->show();
        trace_[i]->raise();
    }
}

void FrontPanel::showTrace(const TraceLines& lines)
{
    showTrace(QString::fromStdString(lines.panel1), QString::fromStdString(lines.panel2),
              QString::fromStdString(lines.panel3));
}

void FrontPanel::Panel1Click()
{
    for (QLabel* p : trace_) {
        p->setText(QString());
        p->hide();
    }
}

bool FrontPanel::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonPress) {
        for (QLabel* p : trace_) {
            if (watched == p) {
                Panel1Click();
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace korvel
