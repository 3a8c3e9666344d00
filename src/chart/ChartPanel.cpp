#include "chart/ChartPanel.h"

#include "chart/ChartFiguresRow.h"
#include "chart/ChartPlot.h"
#include "chart/ChartTexts.h"
#include "chart/FlowLayout.h"
#include "chart/PeriodEdit.h"
#include "settings/ChartControls.h"
#include "settings/SettingsValues.h"
#include "ui/UiFonts.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

namespace korvel {

namespace {

const QString kTimeHint = QStringLiteral("Отображаемый промежуток времени, с");
const QString kPeriodHint = QStringLiteral("Период выдачи данных АЦП, мс");
const QString kRecordHint =
    QStringLiteral("Все точки пуска пишутся в файл по мере поступления,\n"
                   "без ограничения длины записи. Файл выбирается при отметке\n"
                   "и перед каждым следующим пуском.");

// Controls that belong together stay on one row of the toolbar.
QWidget* group(QWidget* parent, std::initializer_list<QWidget*> widgets, int spacing = 4)
{
    auto* g = new QWidget(parent);
    auto* row = new QHBoxLayout(g);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(spacing);
    for (QWidget* w : widgets) {
        w->setParent(g);
        row->addWidget(w);
    }
    return g;
}

QSpinBox* spinBox(const char* name, int min, int max, const QString& accessible)
{
    auto* s = new QSpinBox;
    s->setObjectName(QString::fromLatin1(name));
    s->setRange(min, max);
    s->setAccessibleName(accessible);
    return s;
}

QLabel* overlayLabel(const char* name, QWidget* parent, const QColor& colour, int pixelSize)
{
    auto* l = new QLabel(parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setFont(SansFont(pixelSize, true));
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, colour);
    l->setPalette(p);
    l->setAttribute(Qt::WA_TransparentForMouseEvents);
    l->hide();
    return l;
}

} // namespace

ChartPanel::ChartPanel(ChartController& controller, const Uperemen& settings,
                       const ChartControls& controls, ChartPlot* plot, QWidget* parent)
    : QWidget(parent), controller_(controller), settings_(settings), controls_(controls),
      plot_(plot)
{
    setupUi();
    connectSignals();
    showControls();
    showMode(controller_.mode());
}

void ChartPanel::setupUi()
{
    setObjectName(QStringLiteral("ChartPanel"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    toolbar_ = new QWidget(this);
    toolbar_->setObjectName(QStringLiteral("ChartToolbar"));
    toolbar_->setAutoFillBackground(true);
    toolbar_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    auto* flow = new FlowLayout(toolbar_, 14, 4);
    flow->setContentsMargins(6, 4, 6, 4);

    puskStop_ = new QPushButton(ChartTexts::pusk());
    puskStop_->setObjectName(QStringLiteral("BitBtnPuskStop"));
    puskStop_->setMinimumWidth(80);
    closeGraphic_ =
        new QPushButton(style()->standardIcon(QStyle::SP_DialogCloseButton), ChartTexts::exit());
    closeGraphic_->setObjectName(QStringLiteral("BitBtnCloseGraphic"));
    flow->addWidget(group(toolbar_, {puskStop_, closeGraphic_}));

    timeOnGraph_ = spinBox("CSpinEditTimeOnGraph", ChartControls::kTimeOnGraphMin,
                           ChartControls::kTimeOnGraphMax, kTimeHint);
    timeOnGraph_->setSuffix(QStringLiteral(" с"));
    timeOnGraph_->setToolTip(kTimeHint);
    smooth_ = new QCheckBox(QStringLiteral("Плавно"));
    smooth_->setObjectName(QStringLiteral("CheckBoxChartBottomAxisAutomatic"));
    flow->addWidget(group(toolbar_, {timeOnGraph_, smooth_}, 8));

    period_ = new PeriodEdit;
    period_->setObjectName(QStringLiteral("edPeriodACP"));
    period_->setToolTip(kPeriodHint);
    period_->setAccessibleName(kPeriodHint);
    period_->setMaximumWidth(70);
    auto* ms = new QLabel(QStringLiteral("мс"));
    ms->setToolTip(kPeriodHint);
    flow->addWidget(group(toolbar_, {period_, ms}));

    filter1_ = spinBox("CSpinEditFilter1", 0, ChartControls::kFilter1Max, QStringLiteral("Ф1:"));
    filter2_ = spinBox("CSpinEditFilter2", 0, ChartControls::kFilter2Max, QStringLiteral("Ф2:"));
    stabBnd_ =
        spinBox("CSpinEditStab_bnd", 0, ChartControls::kStabBndMax, QStringLiteral("Стаб.:"));
    auto label = [](const QString& text, QWidget* buddy) {
        auto* l = new QLabel(text);
        l->setBuddy(buddy);
        return l;
    };
    flow->addWidget(group(toolbar_, {label(QStringLiteral("Ф1:"), filter1_), filter1_,
                                     label(QStringLiteral("Ф2:"), filter2_), filter2_,
                                     label(QStringLiteral("Стаб.:"), stabBnd_), stabBnd_}));

    neVpisyvat_ =
        new QCheckBox(QStringLiteral("               не вписывать                   "), toolbar_);
    neVpisyvat_->setObjectName(QStringLiteral("CheckBoxFiltersNeVpisyvat"));
    neVpisyvat_->setAccessibleName(QStringLiteral("не вписывать"));
    QFont underlined = neVpisyvat_->font();
    underlined.setUnderline(true);
    neVpisyvat_->setFont(underlined);
    neVpisyvat_->setChecked(controller_.filters().NeVpisyvat);
    flow->addWidget(neVpisyvat_);

    recordToFile_ = new QCheckBox(QStringLiteral("Записывать в файл"), toolbar_);
    recordToFile_->setObjectName(QStringLiteral("CheckBoxRecordToFile"));
    recordToFile_->setToolTip(kRecordHint);
    flow->addWidget(recordToFile_);

    continuous_ = new QPushButton(QStringLiteral("Непрерывная вичитка 1000 точок"), toolbar_);
    continuous_->setObjectName(QStringLiteral("btnContiniousReading"));
    continuous_->hide();
    paTime_ = new QLabel(QStringLiteral("0:0:0.000"), toolbar_);
    paTime_->setObjectName(QStringLiteral("paTime"));
    paTime_->setFrameShape(QFrame::StyledPanel);
    paTime_->hide();
    flow->addWidget(continuous_);
    flow->addWidget(paTime_);

    column->addWidget(toolbar_);
    figures_ = new ChartFiguresRow(*plot_, controller_.acquisition(), this);
    column->addWidget(figures_);
    plot_->setParent(this);
    column->addWidget(plot_, 1);

    delayLabel_ = overlayLabel("laZaderzhkaSignDInputs", plot_, Qt::blue, 24);
    delayLabel_->setText(QStringLiteral("Задержка сигнала, осталось, изм.: 0"));
    delayLabel_->adjustSize();
    periodFromFile_ = overlayLabel("laPeriodACPFromFile", plot_, QColor(0, 0, 128), 13);
    inputsFromFile_ = overlayLabel("laNumDInputFromFile", plot_, QColor(0, 0, 128), 13);
    inputsFromFile_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // The labels keep their place in the plot area, which is known once the plot is laid out.
    connect(plot_, &QCustomPlot::afterLayout, this, &ChartPanel::placeOverlays);

    popup_ = new QMenu(this);
    popup_->setObjectName(QStringLiteral("GraphPopupMenu"));
    save_ = popup_->addAction(QStringLiteral("Сохранить в файле данные из графика"));
    save_->setObjectName(QStringLiteral("NSaveDataGraph"));
    load_ = popup_->addAction(QStringLiteral("Отобразить на графике данные из файла"));
    load_->setObjectName(QStringLiteral("NLoadDataGraph"));
    picture_ = popup_->addAction(QStringLiteral("Сохранить изображение графика"));
    picture_->setObjectName(QStringLiteral("NSavePictureGraph"));

    plot_->setWeightStyle(controls_.weightPenWidth, controls_.weightShowPoints);
    plot_->setInputColors(settings_.DInputColor);
}

void ChartPanel::connectSignals()
{
    ChartController* c = &controller_;
    connect(puskStop_, &QPushButton::clicked, c, &ChartController::puskStop);
    connect(closeGraphic_, &QPushButton::clicked, c, &ChartController::leave);
    connect(timeOnGraph_, &QSpinBox::valueChanged, c, &ChartController::timeWindowChanged);
    connect(smooth_, &QCheckBox::toggled, this, [this](bool on) {
        focusToSink();
        controller_.smoothScrollChanged(on);
    });
    connect(period_, &QLineEdit::textChanged, c, &ChartController::periodEdited);
    connect(period_, &PeriodEdit::left, this, [this] {
        const ChartController::PeriodExit exit = controller_.periodLeft(period_->text());
        if (exit.text != period_->text())
            period_->setText(exit.text);
        if (exit.keepFocus)
            QTimer::singleShot(0, period_, [this] { period_->setFocus(Qt::OtherFocusReason); });
    });
    connect(filter1_, &QSpinBox::valueChanged, c, &ChartController::filter1Changed);
    connect(filter2_, &QSpinBox::valueChanged, c, &ChartController::filter2Changed);
    connect(stabBnd_, &QSpinBox::valueChanged, c, &ChartController::stabBndChanged);
    connect(neVpisyvat_, &QCheckBox::toggled, this,
            [this](bool on) { controller_.filters().NeVpisyvat = on; });

    connect(c, &ChartController::modeChanged, this, &ChartPanel::showMode);
    connect(c, &ChartController::filterControlsEnabledChanged, this, [this](bool enabled) {
        for (QSpinBox* s : {filter1_, filter2_, stabBnd_})
            s->setEnabled(enabled);
    });
    connect(c, &ChartController::controlsChanged, this, &ChartPanel::showControls);
    connect(c, &ChartController::delayLabelChanged, this, [this](const QString& text, bool on) {
        delayLabel_->setText(text);
        fitLabel(delayLabel_);
        delayLabel_->setVisible(on);
    });
    connect(c, &ChartController::fileLabelsHidden, this, [this] {
        periodFromFile_->hide();
        inputsFromFile_->hide();
    });
    connect(c, &ChartController::runStarting, this,
            [this](std::uint8_t) { styleInputTraces(false); });
    connect(c, &ChartController::fileTracesStyled, this, &ChartPanel::styleInputTraces);

    // The keyboard belongs to the focus sink (the service key sequence is typed there): every
    // menu and dialog of the chart hands it back when it closes, whether something was chosen
    // or it was dismissed. Queued, so that an item's own action runs first.
    connect(popup_, &QMenu::aboutToHide, this, [this] {
        QTimer::singleShot(0, this, [this] { focusToSink(); });
    });
    plot_->onPopupRequested = [this](QPoint globalPos) {
        save_->setVisible(controller_.saveOffered());
        popup_->popup(globalPos);
    };
    connect(plot_, &ChartPlot::doubleClicked, c, &ChartController::panelDoubleClicked);
    connect(save_, &QAction::triggered, this, [this] {
        if (onSaveData && controller_.saveOffered())
            onSaveData();
        focusToSink();
    });
    connect(load_, &QAction::triggered, this, [this] {
        if (onLoadData && controller_.mayReplaceData())
            onLoadData();
        focusToSink();
    });
    connect(continuous_, &QPushButton::clicked, this, [this] {
        if (onContinuousReading && controller_.mayReplaceData())
            onContinuousReading();
        focusToSink();
    });
    connect(picture_, &QAction::triggered, this, [this] {
        if (onSavePicture)
            onSavePicture();
        focusToSink();
    });
}

void ChartPanel::focusToSink()
{
    if (controller_.hooks.focusToButtonPusto)
        controller_.hooks.focusToButtonPusto();
}

void ChartPanel::showControls()
{
    const QSignalBlocker b1(timeOnGraph_), b2(smooth_), b3(period_), b4(filter1_), b5(filter2_),
        b6(stabBnd_);
    timeOnGraph_->setValue(controls_.timeOnGraph());
    smooth_->setChecked(controls_.smoothScroll());
    if (period_->text() != controls_.periodText())
        period_->setText(controls_.periodText());
    filter1_->setMaximum(controls_.filter1Maximum());
    filter1_->setValue(controls_.filter1());
    filter2_->setValue(controls_.filter2());
    stabBnd_->setValue(controls_.stabBnd());
}

void ChartPanel::showMode(ChartController::Mode mode)
{
    const bool active =
        mode == ChartController::Mode::Running || mode == ChartController::Mode::Stopping;
    puskStop_->setText(active ? ChartTexts::stop() : ChartTexts::pusk());
    puskStop_->setIcon(style()->standardIcon(active ? QStyle::SP_MediaStop : QStyle::SP_MediaPlay));
    closeGraphic_->setEnabled(!active);
    load_->setEnabled(!active);
    continuous_->setEnabled(!active && !continuousBusy_);
}

void ChartPanel::showFileLabels(const QString& period, const QString& inputs)
{
    for (auto [label, text] :
         {std::pair{periodFromFile_, period}, std::pair{inputsFromFile_, inputs}}) {
        label->setText(text);
        fitLabel(label);
        label->setVisible(!text.isEmpty());
    }
}

void ChartPanel::setContinuousReadingBusy(bool busy)
{
    continuousBusy_ = busy;
    continuous_->setEnabled(!busy && !controller_.running());
    continuous_->repaint();
}

void ChartPanel::setTimeText(const QString& text)
{
    paTime_->setText(text);
    paTime_->repaint();
}

void ChartPanel::styleInputTraces(bool olderFileTrace)
{
    // The older file's trace is input 1's, blue, between the two levels of a single trace.
    constexpr std::uint32_t kBlue = 0xFF0000; // 0x00BBGGRR
    std::array<std::uint32_t, kInputCount> colours = settings_.DInputColor;
    if (olderFileTrace)
        colours[0] = kBlue;
    plot_->setInputColors(colours);
    plot_->setInputInset(1, olderFileTrace ? kSingleTraceInset : kInputInsets[0]);
}

void ChartPanel::setServiceCommandsVisible(bool visible)
{
    continuous_->setVisible(visible);
    paTime_->setVisible(visible);
}

void ChartPanel::placeOverlays()
{
    const QRect area = plot_->axisRect()->rect();
    const int margin = 8;
    periodFromFile_->move(area.left() + margin, area.top() + margin);
    inputsFromFile_->move(area.right() - margin - inputsFromFile_->width(), area.top() + margin);
    delayLabel_->move(area.left() + margin, area.top() + margin + periodFromFile_->height());
}

void ChartPanel::fitLabel(QLabel* label)
{
    label->adjustSize();
    placeOverlays();
}

} // namespace korvel
