#include "finder/FinderDialog.h"

#include "finder/FinderTexts.h"
#include "finder/IndicatorSearch.h"
#include "link/SerialPort.h"
#include "panel/PanelView.h"
#include "panel/PollCycle.h"
#include "settings/SettingsMessages.h"
#include "settings/SettingsValues.h"
#include "ui/ButtonArt.h"
#include "ui/ComPortUi.h"
#include "ui/DialogParts.h"
#include "ui/ImageButton.h"
#include "ui/MessagePopup.h"
#include "ui/SkinProfile.h"
#include "ui/SkinnedWindow.h"
#include "ui/UiFonts.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>

namespace korvel {

namespace {

enum Role { PortRole = Qt::UserRole, BaudRole, AddressRole, TextRole };

// The settings dialog's colours: aqua on dark grey, lists in aqua on near-black.
const QString kDialogStyle = QStringLiteral(
    "#paFind { background-color: rgb(51, 51, 51); }"
    "QLabel { color: rgb(0, 255, 255); }"
    "QGroupBox { color: rgb(0, 255, 255); border: 1px solid rgb(105, 105, 105);"
    " border-radius: 5px; margin-top: 7px; }"
    "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left; left: 8px; }"
    "QListWidget { color: rgb(0, 255, 255); background-color: rgb(28, 28, 28);"
    " selection-background-color: rgb(0, 105, 105); selection-color: white; }"
    // The style's own box is dark on this background: an aqua frame, filled when ticked.
    "QListWidget::indicator { width: 11px; height: 11px; border: 1px solid rgb(0, 255, 255);"
    " background-color: rgb(28, 28, 28); }"
    "QListWidget::indicator:checked { background-color: rgb(0, 255, 255); }"
    "QProgressBar { color: rgb(0, 255, 255); background-color: rgb(28, 28, 28);"
    " border: 1px solid rgb(105, 105, 105); border-radius: 3px; text-align: center; }"
    "QProgressBar::chunk { background-color: rgb(0, 105, 105); }"
    "QPushButton { color: rgb(235, 235, 235); background-color: rgb(72, 72, 76);"
    " border: 1px solid rgb(20, 20, 24); border-radius: 4px; }"
    "QPushButton:hover { background-color: rgb(92, 92, 100); }"
    "QPushButton:pressed { background-color: rgb(40, 40, 48); }"
    "QPushButton:disabled { color: rgb(128, 128, 128); }");

QPushButton* makeButton(const char* name, const QString& caption, const QRect& geometry,
                        QWidget* parent)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(geometry);
    button->setFont(SansFont(13));
    button->setAutoDefault(false);
    return button;
}

} // namespace

void TFormFindDevice::Execute(FinderContext& context)
{
    context.poll.suspendPolling();
    QPointer<TFormFindDevice> form = new TFormFindDevice(context, SkinnedWindow::mainWindow());
    form->exec();
    delete form.data();
    if (context.restorePoll)
        context.restorePoll();
}

TFormFindDevice::TFormFindDevice(FinderContext& context, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), ctx_(context)
{
    setupUi();
    loadPorts();
    // One probe a tick: the event loop runs between probes, so "Отмена" is seen at once.
    stepTimer_.setInterval(0);
    connect(&stepTimer_, &QTimer::timeout, this, &TFormFindDevice::stepSearch);
    connect(searchButton_, &QPushButton::clicked, this, &TFormFindDevice::IskatClick);
    connect(cancelButton_, &QPushButton::clicked, this, &TFormFindDevice::OtmenaClick);
    connect(connectButton_, &QPushButton::clicked, this, &TFormFindDevice::PodklyuchitClick);
    connect(found_, &QListWidget::itemDoubleClicked, this, &TFormFindDevice::PodklyuchitClick);
    connect(found_, &QListWidget::currentRowChanged, this, &TFormFindDevice::updateButtons);
    connect(ports_, &QListWidget::itemChanged, this, &TFormFindDevice::updateButtons);
    connect(closeImage_, &ImageButton::clicked, this, [this] {
        // The search stops before the roll-up, not after it.
        if (searching())
            endSearch(true);
        close();
    });
    connect(skin_, &SkinnedWindow::revealFinished, this, [this] {
        // The poll, paused while the dialog unrolled, runs on until a search starts.
        if (!searching() && ctx_.restorePoll)
            ctx_.restorePoll();
    });
    updateButtons();
}

TFormFindDevice::~TFormFindDevice()
{
    if (search_)
        endSearch(true);
}

void TFormFindDevice::setupUi()
{
    setObjectName(QStringLiteral("FormFindDevice"));
    setWindowTitle(QStringLiteral("Поиск прибора"));
    setFixedSize(kDesignSize);

    paFind_ = new QWidget(this);
    paFind_->setObjectName(QStringLiteral("paFind"));
    paFind_->setAttribute(Qt::WA_StyledBackground);
    paFind_->setGeometry(QRect(QPoint(0, 0), kDesignSize));
    paFind_->setStyleSheet(kDialogStyle);
    QWidget* pa = paFind_;

    closeImage_ = new ImageButton(CloseButtonPictures(), pa);
    closeImage_->setObjectName(QStringLiteral("CloseImage"));
    closeImage_->setGeometry(kDesignSize.width() - 69, 0, 46, 20);
    closeImage_->setPressNeedsHover(true);
    closeImage_->setAccessibleName(QStringLiteral("Закрыть"));

    QGroupBox* portsGroup =
        MakeGroupBox("GroupBoxPorts", QStringLiteral("  Порты  "), {12, 26, 396, 110}, pa);
    ports_ = new QListWidget(portsGroup);
    ports_->setObjectName(QStringLiteral("lbPorts"));
    ports_->setGeometry(10, 20, 376, 80);
    ports_->setFont(SansFont(12));
    ports_->setAccessibleName(QStringLiteral("Порты"));

    searchButton_ = makeButton("btnIskat", QStringLiteral("Искать"), {12, 146, 120, 26}, pa);
    cancelButton_ = makeButton("btnOtmena", QStringLiteral("Отмена"), {288, 146, 120, 26}, pa);

    progress_ = new QProgressBar(pa);
    progress_->setObjectName(QStringLiteral("pbSearch"));
    progress_->setGeometry(12, 182, 396, 22);
    progress_->setFont(SansFont(11));
    progress_->setRange(0, 1);
    progress_->setValue(0);
    progress_->setTextVisible(true);
    progress_->setFormat(QString());
    progress_->setAccessibleName(QStringLiteral("Ход поиска"));

    QGroupBox* foundGroup = MakeGroupBox("GroupBoxFound", QStringLiteral("  Найденные приборы  "),
                                      {12, 212, 396, 180}, pa);
    found_ = new QListWidget(foundGroup);
    found_->setObjectName(QStringLiteral("lbFound"));
    found_->setGeometry(10, 20, 376, 150);
    found_->setFont(SansFont(11));
    found_->setAccessibleName(QStringLiteral("Найденные приборы"));

    connectButton_ =
        makeButton("btnPodklyuchit", QStringLiteral("Подключить"), {150, 402, 120, 26}, pa);

    QPushButton* sink = SkinnedWindow::makeFocusSink(pa);
    skin_ = new SkinnedWindow(this, SkinProfile::settingsDialog(paFind_->height()));
    skin_->setFocusSink(sink);
    skin_->addDragSource(paFind_);
    skin_->addImageButton(closeImage_);
    skin_->addHoverResetSource(paFind_);
}

void TFormFindDevice::loadPorts()
{
    const QList<FinderPort> ports = ctx_.listPorts ? ctx_.listPorts() : QList<FinderPort>{};
    // The configured port first and ticked: it is the likeliest place.
    for (int pass = 0; pass < 2; ++pass) {
        for (const FinderPort& p : ports) {
            const bool configured = p.name == ctx_.settings.CommName;
            if (configured != (pass == 0))
                continue;
            auto* item = new QListWidgetItem(p.text, ports_);
            item->setData(PortRole, p.name);
            item->setData(TextRole, p.text);
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState(configured ? Qt::Checked : Qt::Unchecked);
        }
    }
}

QStringList TFormFindDevice::chosenPorts() const
{
    QStringList names;
    for (int i = 0; i < ports_->count(); ++i)
        if (ports_->item(i)->checkState() == Qt::Checked)
            names << ports_->item(i)->data(PortRole).toString();
    return names;
}

void TFormFindDevice::updateButtons()
{
    searchButton_->setEnabled(!searching() && !chosenPorts().isEmpty());
    ports_->setEnabled(!searching());
    connectButton_->setEnabled(!searching() && found_->currentRow() >= 0);
}

void TFormFindDevice::IskatClick()
{
    if (searching())
        return;
    searchedPorts_ = chosenPorts();
    if (searchedPorts_.isEmpty())
        return;
    // The search owns the link: the poll stops and the port is the search's until the end.
    ctx_.poll.suspendPolling();
    portWasOpen_ = ctx_.port.state() == PortState::Open;
    found_->clear();
    for (int i = 0; i < ports_->count(); ++i)
        ports_->item(i)->setText(ports_->item(i)->data(TextRole).toString());
    std::vector<std::string> names;
    for (const QString& n : searchedPorts_)
        names.push_back(n.toStdString());
    search_ = std::make_unique<IndicatorSearch>(ctx_.port, ctx_.link, std::move(names),
                                                ctx_.settings.BaudRate, ctx_.settings.AdrPribor);
    progress_->setRange(0, search_->probesTotal());
    progress_->setValue(0);
    updateButtons();
    stepTimer_.start();
}

void TFormFindDevice::stepSearch()
{
    if (!search_)
        return;
    progress_->setFormat(FinderTexts::progress(QString::fromStdString(search_->currentPort()),
                                               search_->currentBaud(), search_->currentAddress()));
    const std::size_t before = search_->found().size();
    const bool more = search_->step();
    for (std::size_t i = before; i < search_->found().size(); ++i) {
        const FoundIndicator& f = search_->found()[i];
        auto* item = new QListWidgetItem(FinderTexts::resultRow(f), found_);
        item->setData(PortRole, QString::fromStdString(f.port));
        item->setData(BaudRole, f.baud);
        item->setData(AddressRole, f.address);
        if (found_->currentRow() < 0)
            found_->setCurrentRow(0);
    }
    progress_->setValue(search_->probesDone());
    emit progressed();
    if (!more)
        endSearch(false);
}

void TFormFindDevice::endSearch(bool cancelled)
{
    stepTimer_.stop();
    if (cancelled)
        search_->cancel();
    for (const UnopenedPort& u : search_->unopened()) {
        for (int i = 0; i < ports_->count(); ++i) {
            QListWidgetItem* item = ports_->item(i);
            if (item->data(PortRole).toString() == QString::fromStdString(u.port))
                item->setText(item->data(TextRole).toString() +
                              FinderTexts::unopenedNote(u.result.status));
        }
    }
    search_.reset();
    progress_->setFormat(QString());
    if (cancelled)
        progress_->setValue(0);
    // Back to the configured port, speed and address, polled as before the search.
    if (portWasOpen_ && !OpenComPort(ctx_.port, ctx_.settings, ctx_.settings.ReadTotalTimeoutConstant))
        ctx_.view.ShowPortNotOpen(ctx_.settings.CommName);
    if (ctx_.restorePoll)
        ctx_.restorePoll();
    updateButtons();
    if (!cancelled && found_->count() == 0) {
        const PopupMessage m = FittedMessage(FinderTexts::nothingFound(searchedPorts_));
        ShowFormMessage(m.text, m.extraWidth, m.okShift, m.extraHeight, this);
    }
    emit searchFinished();
}

void TFormFindDevice::OtmenaClick()
{
    if (searching())
        endSearch(true);
    else
        close();
}

void TFormFindDevice::PodklyuchitClick()
{
    QListWidgetItem* item = found_->currentItem();
    if (searching() || connected_ || item == nullptr || !ctx_.connectTo)
        return;
    if (!ctx_.connectTo(item->data(PortRole).toString(), item->data(BaudRole).toInt(),
                        item->data(AddressRole).toInt()))
        return; // the outputs stayed taken over; the popup has said why
    connected_ = true;
    close();
}

void TFormFindDevice::reject()
{
    if (searching())
        endSearch(true);
    if (skin_->closeAllowed())
        QDialog::reject();
    else
        close();
}

void TFormFindDevice::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    skin_->startReveal();
    skin_->placeOverMainWindow();
    skin_->takeFocus();
}

void TFormFindDevice::closeEvent(QCloseEvent* event)
{
    if (searching())
        endSearch(true);
    QDialog::closeEvent(event);
}

} // namespace korvel
