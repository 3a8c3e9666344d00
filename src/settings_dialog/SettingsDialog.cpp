#include "settings_dialog/SettingsDialog.h"

#include "device/Indicator.h"
#include "link/SerialPort.h"
#include "panel/PanelView.h"
#include "panel/PollCycle.h"
#include "settings/SettingsMessages.h"
#include "settings/SettingsStore.h"
#include "settings/SettingsValues.h"
#include "settings_dialog/ColorSample.h"
#include "settings_dialog/PortList.h"
#include "ui/ButtonArt.h"
#include "ui/ComPortUi.h"
#include "ui/DialogParts.h"
#include "ui/ImageButton.h"
#include "ui/MessagePopup.h"
#include "ui/SkinProfile.h"
#include "ui/SkinnedWindow.h"
#include "ui/UiFonts.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QCloseEvent>
#include <QColorDialog>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPointer>
#include <QPushButton>

namespace korvel {

namespace {

const QStringList kBaudRates = {QStringLiteral("2400"),  QStringLiteral("4800"),
                                QStringLiteral("9600"),  QStringLiteral("19200"),
                                QStringLiteral("38400"), QStringLiteral("57600"),
                                QStringLiteral("115200")};

// Dark grey 0x333333 behind aqua texts, as the face's membrane is grey behind light ones.
const QString kDialogStyle = QStringLiteral(
    "#paProperties { background-color: rgb(51, 51, 51); }"
    "QLabel, QCheckBox { color: rgb(0, 255, 255); }"
    "QCheckBox:disabled { color: rgb(0, 128, 128); }"
    "QGroupBox { color: rgb(0, 255, 255); border: 1px solid rgb(105, 105, 105);"
    " border-radius: 5px; margin-top: 7px; }"
    "QGroupBox#GroupBox2 { margin-top: 0px; }"
    "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left; left: 8px; }"
    "QPushButton#BitBtnOK { color: rgb(235, 235, 235); background-color: rgb(72, 72, 76);"
    " border: 1px solid rgb(20, 20, 24); border-radius: 4px; }"
    "QPushButton#BitBtnOK:hover { background-color: rgb(92, 92, 100); }"
    "QPushButton#BitBtnOK:pressed { background-color: rgb(40, 40, 48); }");

QLabel* makeLabel(const char* name, const QString& text, const QRect& geometry, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(geometry);
    label->setFont(SansFont(12));
    return label;
}

QComboBox* makeCombo(const char* name, const QRect& geometry, int rows, QWidget* parent)
{
    auto* combo = new QComboBox(parent);
    combo->setObjectName(QString::fromLatin1(name));
    combo->setGeometry(geometry);
    combo->setFont(SansFont(12, true));
    combo->setMaxVisibleItems(rows);
    // Bold aqua on near-black; through the palette, so the style still draws its arrow.
    QPalette pal = combo->palette();
    const QColor aqua(0, 255, 255);
    const QColor field(28, 28, 28);
    for (QPalette::ColorRole role : {QPalette::ButtonText, QPalette::Text, QPalette::WindowText})
        pal.setColor(role, aqua);
    for (QPalette::ColorRole role : {QPalette::Button, QPalette::Base, QPalette::Window})
        pal.setColor(role, field);
    pal.setColor(QPalette::Highlight, QColor(0, 105, 105));
    pal.setColor(QPalette::HighlightedText, Qt::white);
    combo->setPalette(pal);
    // A plain list of `rows` rows rather than a menu over the whole screen, in the same colours.
    combo->setStyleSheet(QStringLiteral(
        "QComboBox { combobox-popup: 0; }"
        "QComboBox QAbstractItemView { color: rgb(0, 255, 255); background-color: rgb(28, 28, 28);"
        " selection-background-color: rgb(0, 105, 105); selection-color: white; }"));
    return combo;
}

// The entry whose text (or, with role, data) equals value; -1 when none.
int indexOf(const QComboBox* combo, const QString& value, int role = Qt::DisplayRole)
{
    for (int i = 0; i < combo->count(); ++i)
        if (combo->itemData(i, role).toString() == value)
            return i;
    return -1;
}

} // namespace

void TFormProperties::Execute(SettingsDialogContext& context)
{
    context.poll.suspendPolling();
    // Owned by the main window while up, so it stays above it; guarded, since the owner
    // could go away while the dialog's loop runs.
    QPointer<TFormProperties> form = new TFormProperties(context, SkinnedWindow::mainWindow());
    form->exec();
    delete form.data();
}

TFormProperties::TFormProperties(SettingsDialogContext& context, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), ctx_(context)
{
    chooseColor = [](const QColor& initial, QWidget* owner) -> std::optional<QColor> {
        const QColor c = QColorDialog::getColor(initial, owner);
        if (!c.isValid())
            return std::nullopt;
        return c;
    };
    setupUi();
    loadValues();
    connectSignals();
}

TFormProperties::~TFormProperties() = default;

void TFormProperties::setupUi()
{
    setObjectName(QStringLiteral("FormProperties"));
    setWindowTitle(QStringLiteral("Настройки"));
    setFixedSize(kDesignSize);

    paProperties_ = new QWidget(this);
    paProperties_->setObjectName(QStringLiteral("paProperties"));
    paProperties_->setAttribute(Qt::WA_StyledBackground);
    paProperties_->setGeometry(QRect(QPoint(0, 0), kDesignSize));
    paProperties_->setStyleSheet(kDialogStyle);
    QWidget* pa = paProperties_;

    closeImage_ = new ImageButton(CloseButtonPictures(), pa);
    closeImage_->setObjectName(QStringLiteral("CloseImage"));
    closeImage_->setGeometry(221, 0, 46, 20);
    closeImage_->setPressNeedsHover(true);
    closeImage_->setAccessibleName(QStringLiteral("Закрыть"));

    QGroupBox* port =
        MakeGroupBox("GroupBox1", QStringLiteral("  Параметры COM-порта  "), {12, 26, 266, 108}, pa);
    labels_ << makeLabel("laCommName", QStringLiteral("Порт : "), {10, 24, 48, 16}, port);
    cbCommName_ = makeCombo("cbCommName", {60, 20, 194, 22}, 9, port);
    labels_ << makeLabel("laBaudRate", QStringLiteral("Скорость (бит/с) : "), {10, 52, 134, 16},
                         port);
    cbBaudRate_ = makeCombo("cbBaudRate", {150, 48, 104, 22}, 10, port);
    labels_ << makeLabel("laStopBits", QStringLiteral("Адрес прибора : "), {10, 80, 134, 16}, port);
    cbAdrPribor_ = makeCombo("cbAdrPribor", {150, 76, 104, 22}, 10, port);
    cbCommName_->setAccessibleName(QStringLiteral("Порт"));
    cbBaudRate_->setAccessibleName(QStringLiteral("Скорость (бит/с)"));
    cbAdrPribor_->setAccessibleName(QStringLiteral("Адрес прибора"));

    QGroupBox* panel = MakeGroupBox("GroupBox2", QString(), {12, 142, 266, 38}, pa);
    checkPanel_ = new QCheckBox(QStringLiteral("Панель цифровых входов/выходов"), panel);
    checkPanel_->setObjectName(QStringLiteral("CheckBoxPanelInOut"));
    checkPanel_->setGeometry(10, 10, 246, 18);
    checkPanel_->setFont(SansFont(12));

    QGroupBox* inputs =
        MakeGroupBox("GroupBox3", QStringLiteral("  Вывод цифровых входов на графики  "),
                  {12, 188, 266, 180}, pa);
    for (int n = 1; n <= 5; ++n) {
        const int y = 22 + 22 * (n - 1);
        auto* box = new QCheckBox(QStringLiteral("Показывать цифровой вход № %1").arg(n), inputs);
        box->setObjectName(QStringLiteral("CheckBoxNumDInputOnGraphic%1").arg(n));
        box->setGeometry(10, y, 210, 18);
        box->setFont(SansFont(12));
        checkInputs_[n - 1] = box;
        colors_[n - 1] = new ColorSample(
            QStringLiteral("paColor%1").arg(n),
            QStringLiteral("Выберите цвет графика цифрового входа № %1").arg(n), inputs);
        colors_[n - 1]->setGeometry(222, y + 1, 33, 16);
    }
    labels_ << makeLabel("Label1", QStringLiteral("Задержка сигнала цифровых входов"),
                         {10, 136, 246, 16}, inputs);
    labels_ << makeLabel("Label2", QStringLiteral("при выводе на график, изм.:"),
                         {10, 154, 172, 16}, inputs);
    cbZaderzhka_ = makeCombo("cbZaderzhkaSignDInputs", {186, 150, 68, 22}, 11, inputs);
    cbZaderzhka_->setAccessibleName(
        QStringLiteral("Задержка сигнала цифровых входов при выводе на график, изм."));

    okButton_ = new QPushButton(QStringLiteral("OK"), pa);
    okButton_->setObjectName(QStringLiteral("BitBtnOK"));
    okButton_->setIcon(OkGlyph());
    okButton_->setFont(SansFont(13));
    okButton_->setGeometry(107, 376, 75, 26);
    okButton_->setAutoDefault(false);
    okButton_->setDefault(false);

    buttonPusto_ = SkinnedWindow::makeFocusSink(pa);

    skin_ = new SkinnedWindow(this, SkinProfile::settingsDialog(paProperties_->height()));
    skin_->setFocusSink(buttonPusto_);
    skin_->addDragSource(paProperties_);
    skin_->addImageButton(closeImage_);
    skin_->addHoverResetSource(paProperties_);
    for (QLabel* label : labels_)
        skin_->addHoverResetSource(label);
    skin_->addHoverResetSource(okButton_);
    skin_->addHoverResetSource(buttonPusto_);
}

void TFormProperties::loadValues()
{
    const Uperemen& v = ctx_.settings;

    for (const PortListEntry& entry : PortList::scan(v.CommName))
        cbCommName_->addItem(entry.text, entry.name);
    // Entries may describe the adapter at length: let the list be wider than the field.
    cbCommName_->view()->setMinimumWidth(
        std::max(cbCommName_->width(), cbCommName_->view()->sizeHintForColumn(0) + 24));
    rememberedCommName_ = v.CommName;
    cbCommName_->setCurrentIndex(indexOf(cbCommName_, v.CommName, Qt::UserRole));

    rememberedBaudRate_ = v.BaudRate;
    cbBaudRate_->addItems(kBaudRates);
    cbBaudRate_->setCurrentIndex(indexOf(cbBaudRate_, QString::number(v.BaudRate)));

    rememberedAdrPribor_ = v.AdrPribor;
    cbAdrPribor_->addItem(QStringLiteral("1"));
    for (int a = 2; a <= 63; ++a)
        cbAdrPribor_->addItem(QString::number(a));
    cbAdrPribor_->setCurrentIndex(indexOf(cbAdrPribor_, QString::number(v.AdrPribor)));

    rememberedShowPanelInOut_ = v.ShowPanelInOut;
    checkPanel_->setChecked(v.ShowPanelInOut);

    for (int n = 0; n < 5; ++n)
        checkInputs_[n]->setChecked((v.NumDInputOnGraphicMask >> n) & 1);

    rememberedDelay_ = v.ZaderzhkaSignDInputs;
    for (int d = 0; d <= 100; ++d)
        cbZaderzhka_->addItem(QString::number(d));
    cbZaderzhka_->setCurrentIndex(indexOf(cbZaderzhka_, QString::number(v.ZaderzhkaSignDInputs)));

    for (int n = 0; n < 5; ++n)
        colors_[n]->setColorValue(v.DInputColor[n]);
}

void TFormProperties::connectSignals()
{
    for (QComboBox* combo : {cbCommName_, cbBaudRate_, cbAdrPribor_, cbZaderzhka_})
        connect(combo, &QComboBox::currentIndexChanged, this, &TFormProperties::focusBack);
    connect(checkPanel_, &QCheckBox::clicked, this, &TFormProperties::focusBack);
    for (QCheckBox* box : checkInputs_)
        connect(box, &QCheckBox::clicked, this, &TFormProperties::focusBack);
    for (int n = 1; n <= 5; ++n)
        connect(colors_[n - 1], &QAbstractButton::clicked, this, [this, n] { paColorClick(n); });
    connect(okButton_, &QPushButton::clicked, this, &TFormProperties::BitBtnOKClick);
    connect(closeImage_, &ImageButton::clicked, this, &TFormProperties::CloseImageClick);
    connect(skin_, &SkinnedWindow::revealFinished, this, &TFormProperties::onRevealFinished);
}

void TFormProperties::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event); // may centre the dialog; the placement below wins
    skin_->startReveal();
    skin_->placeOverMainWindow();
    skin_->takeFocus();
}

void TFormProperties::onRevealFinished()
{
    // The poll, paused while the dialog unrolled, runs on while the user edits.
    restorePoll();
}

void TFormProperties::restorePoll()
{
    RestorePoll(ctx_);
}

void TFormProperties::RestorePoll(SettingsDialogContext& context)
{
    // With the port open the poll runs, whatever was saved: the saved state can be older
    // than the connection (the main window's reveal may connect while the dialog is up), and
    // a frozen display would pass for an indicator that stopped.
    if (context.poll.PollWasEnabled || context.port.state() == PortState::Open)
        context.poll.enablePolling();
    else
        context.poll.disablePolling();
}

void TFormProperties::focusBack()
{
    if (isVisible())
        buttonPusto_->setFocus(Qt::OtherFocusReason);
}

void TFormProperties::paColorClick(int n)
{
    ColorSample* sample = colors_[n - 1];
    if (!chooseColor)
        return;
    if (const std::optional<QColor> c = chooseColor(sample->color(), this); c && c->isValid())
        sample->setColor(*c);
    focusBack();
}

DialogSelections TFormProperties::selections() const
{
    auto number = [](const QComboBox* combo, int kept) {
        return combo->currentIndex() >= 0 ? combo->currentText().toInt() : kept;
    };
    DialogSelections d;
    d.CommNameShown = rememberedCommName_;
    d.CommName =
        cbCommName_->currentIndex() >= 0 ? cbCommName_->currentData().toString() : QString();
    d.BaudRate = number(cbBaudRate_, rememberedBaudRate_);
    d.AdrPribor = number(cbAdrPribor_, rememberedAdrPribor_);
    d.ShowPanelInOut = checkPanel_->isChecked();
    for (int n = 0; n < 5; ++n) {
        d.DInputOnGraphic[n] = checkInputs_[n]->isChecked();
        d.DInputColor[n] = colors_[n]->colorValue();
    }
    d.ZaderzhkaSignDInputs = number(cbZaderzhka_, rememberedDelay_);
    return d;
}

void TFormProperties::BitBtnOKClick()
{
    if (okPressed_ || skin_->isClosing())
        return; // a second OK while rolling up
    focusBack();
    const DialogSelections chosen = selections();
    const LinkBefore before{rememberedCommName_, rememberedBaudRate_, rememberedAdrPribor_,
                            rememberedShowPanelInOut_};
    // If the outputs cannot go back, nothing changes and the dialog stays open with the
    // user's choices, so OK can be tried again or the close button leaves everything as it was.
    if (!OutputsBackBeforeNewLink(ctx_, chosen, before)) {
        focusBack();
        return;
    }
    okPressed_ = true;
    StoreAndReconnect(ctx_, chosen, before);
    close();
}

bool TFormProperties::OutputsBackBeforeNewLink(SettingsDialogContext& context,
                                               const DialogSelections& chosen,
                                               const LinkBefore& before)
{
    // The outputs taken over belong to the indicator on this port, at this rate and address:
    // once the settings change, nothing would ever reach it again, so they go back first.
    // Switching the strip off hands them back too, and first: a failure then leaves the strip
    // up, showing that the PC still holds them.
    const bool linkChanges = chosen.CommName != before.CommName ||
                             chosen.BaudRate != before.BaudRate ||
                             chosen.AdrPribor != before.AdrPribor;
    const bool stripOff = before.ShowPanelInOut && !chosen.ShowPanelInOut;
    if (!linkChanges && !stripOff)
        return true;
    return !context.handOutputsBack || context.handOutputsBack(linkChanges);
}

void TFormProperties::StoreAndReconnect(SettingsDialogContext& context,
                                        const DialogSelections& chosen, const LinkBefore& before)
{
    context.poll.disablePolling();
    context.poll.ClearVersionLabel();

    const SettingsWriteResult saved =
        context.store.SaveDialogSettings(context.settings, chosen, context.chartControls);
    if (!saved.ok) {
        const PopupMessage m = settingsWriteFailedMessage(saved.filePath);
        ShowFormMessage(m.text, m.extraWidth, m.okShift, m.extraHeight);
    }
    // A new address or panel flag needs nothing more: the next poll uses the address, the
    // strip follows after the roll-up.
    if (chosen.CommName != before.CommName || chosen.BaudRate != before.BaudRate)
        reconnect(context);
}

void TFormProperties::reconnect(SettingsDialogContext& ctx)
{
    if (ctx.port.state() != PortState::NeverOpened)
        ctx.port.close();
    if (OpenComPort(ctx.port, ctx.settings, ctx.settings.ReadTotalTimeoutConstant)) {
        if (ctx.poll.hooks.portOpened)
            ctx.poll.hooks.portOpened();
        if (!Indicator(ctx.link).unlockKeyboard())
            ShowFormMessage();
        ctx.poll.PollWasEnabled = 1;
    } else {
        ctx.view.ShowPortNotOpen(ctx.settings.CommName);
        // The poll waits: for a pulled-out adapter of the same port (showing нет связи), or
        // for the port to appear (showing its state, no ticks). A loss noted on the old port
        // is not this one's: opening another name forgets it. With no port named, only the
        // state is shown.
        ctx.poll.PollWasEnabled = 1;
    }
}

void TFormProperties::CloseImageClick()
{
    ctx_.poll.disablePolling();
    close();
}

void TFormProperties::reject()
{
    // Escape, or the dialog's own close once the roll-up has run.
    if (skin_->closeAllowed())
        QDialog::reject();
    else
        CloseImageClick();
}

void TFormProperties::closeEvent(QCloseEvent* event)
{
    // Reached only after the roll-up: the shaped-window helper refused the first request.
    if (!closingDone_) {
        closingDone_ = true;
        if (okPressed_ && checkPanel_->isChecked() != rememberedShowPanelInOut_) {
            if (ctx_.settings.ShowPanelInOut) {
                if (ctx_.openIoPanel)
                    ctx_.openIoPanel();
            } else if (ctx_.closeIoPanel) {
                ctx_.closeIoPanel();
            }
        }
        restorePoll();
    }
    QDialog::closeEvent(event);
}

} // namespace korvel
