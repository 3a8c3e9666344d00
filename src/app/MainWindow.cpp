#include "app/MainWindow.h"

#include "chart/ChartController.h"
#include "chart/ChartMode.h"
#include "chart/ChartPanel.h"
#include "dio/DioMessages.h"
#include "dio/IoPanelController.h"
#include "dio/OutputJournal.h"
#include "finder/FinderDialog.h"
#include "memory/MemoryTransfer.h"
#include "panel/FrontPanel.h"
#include "panel/Keypad.h"
#include "panel/PollCycle.h"
#include "panel/SvgPicture.h"
#include "settings/AppPaths.h"
#include "settings/SettingsMessages.h"
#include "settings_dialog/PortList.h"
#include "settings_dialog/SettingsDialog.h"
#include "ui/ButtonArt.h"
#include "ui/ComPortUi.h"
#include "ui/ImageButton.h"
#include "ui/MessagePopup.h"
#include "ui/SkinProfile.h"
#include "ui/SkinnedWindow.h"
#include "ui/UiFonts.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>

#include <array>

namespace korvel {

namespace {
constexpr int kDesignWidth = 555;
constexpr int kDesignHeight = 398;

void showSettingsWriteFailure(const SettingsWriteResult& result)
{
    if (result.ok)
        return;
    const PopupMessage m = settingsWriteFailedMessage(result.filePath);
    ShowFormMessage(m.text, m.extraWidth, m.okShift, m.extraHeight);
}

void showPopup(const PopupMessage& m)
{
    ShowFormMessage(m.text, m.extraWidth, m.okShift, m.extraHeight);
}

// "Продолжить" or "Отмена" (the default, also Escape) over whatever window is in front.
bool askToGoOn(const QString& title, const QString& question)
{
    QWidget* parent = QApplication::activeModalWidget();
    if (!parent)
        parent = SkinnedWindow::mainWindow();
    QMessageBox box(QMessageBox::Question, title, question, QMessageBox::NoButton, parent);
    box.setObjectName(QStringLiteral("OutputsLeftQuestion"));
    QPushButton* goOn = box.addButton(QStringLiteral("Продолжить"), QMessageBox::AcceptRole);
    QPushButton* cancel = box.addButton(QStringLiteral("Отмена"), QMessageBox::RejectRole);
    box.setDefaultButton(cancel);
    box.setEscapeButton(cancel);
    box.exec();
    return box.clickedButton() == goOn;
}

// A test that keeps its settings elsewhere keeps its journals there too: the copies of
// output blocks must never meet another run's indicators.
QString journalFolderFor(const QString& settingsFile)
{
    if (settingsFile == SettingsStore::defaultFilePath())
        return AppPaths::journalFolder();
    return QFileInfo(settingsFile).dir().filePath(QStringLiteral("journal"));
}
} // namespace

QString TMainFormTestIndKorvel::windowTitleFor(const QString& executablePath)
{
    return QStringLiteral(" Korvel 1X - 3X, ") + executablePath;
}

TMainFormTestIndKorvel::TMainFormTestIndKorvel(const QString& settingsFile, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), store_(settingsFile),
      connection_(settings_)
{
    setupUi(settingsFile);
    connectSignals();
}

TMainFormTestIndKorvel::~TMainFormTestIndKorvel()
{
    if (SkinnedWindow::mainWindow() == this)
        SkinnedWindow::setMainWindow(nullptr);
}

void TMainFormTestIndKorvel::setupUi(const QString& settingsFile)
{
    setObjectName(QStringLiteral("TMainFormTestIndKorvel"));
    resize(kDesignWidth, kDesignHeight);
    // The size the window returns to when it leaves the framed chart view.
    setMinimumSize(kDesignWidth, kDesignHeight);
    setWindowTitle(windowTitleFor(QCoreApplication::applicationFilePath()));
    SkinnedWindow::setMainWindow(this);

    front_ = new FrontPanel(this);
    front_->move(0, 0);

    closeImage_ = new ImageButton(CloseButtonPictures(), front_->MainPanel());
    closeImage_->setObjectName(QStringLiteral("CloseImage"));
    closeImage_->setGeometry(492, 0, 46, 20);
    // Its click closes the window, so the pressed look stays.
    closeImage_->setReleaseShowsHover(false);
    minimizeImage_ = new ImageButton(MinimizeButtonPictures(), front_->MainPanel());
    minimizeImage_->setObjectName(QStringLiteral("MinimizeImage"));
    minimizeImage_->setGeometry(467, 0, 28, 20);

    lockBox_ = new QCheckBox(QStringLiteral("Блокировка клавиатуры прибора"), front_->MainPanel());
    lockBox_->setObjectName(QStringLiteral("CheckBoxBlockKeyboard"));
    lockBox_->setGeometry(41, 331, 225, 17);
    lockBox_->setFont(SansFont(12));
    lockBox_->setFocusPolicy(Qt::NoFocus);
    lockBox_->setAutoFillBackground(true);
    lockBox_->setStyleSheet(QStringLiteral(
        "QCheckBox { background-color: rgb(96, 96, 96); color: rgb(235, 235, 235); }"));

    panelGraphic_ = new QWidget(this);
    panelGraphic_->setObjectName(QStringLiteral("PanelGraphic"));
    panelGraphic_->setGeometry(rect());
    panelGraphic_->hide();

    // Shape the window and start the reveal before anything else is loaded.
    skin_ = new SkinnedWindow(this, SkinProfile::mainWindow(front_->MainPanel()->height()));
    skin_->setInterceptsClose(false);
    buttonPusto_ = SkinnedWindow::makeFocusSink(front_->MainPanel());
    buttonPusto_->setGeometry(7, 336, 9, 9);
    skin_->setFocusSink(buttonPusto_);
    skin_->addImageButton(closeImage_);
    skin_->addImageButton(minimizeImage_);
    skin_->addHoverResetSource(front_->MainImage());
    skin_->addHoverResetSource(panelGraphic_);
    skin_->setResetButtonsOnLeave(true);
    skin_->startReveal();

    store_.LoadSettings(settings_, chartControls_);

    poll_ = new PollCycle(link_, settings_, *front_, this);
    poll_->TimerOprosaPribora.setInterval(settings_.PollInterval);
    poll_->resetState();

    keypad_ = new Keypad(link_, *poll_, *front_, this);
    keypad_->attachLockBox(lockBox_, buttonPusto_);

    ioPanel_ = new IoPanelController(link_, settings_, *poll_, this);
    ioPanel_->control.journal.setFolder(journalFolderFor(settingsFile));
    memory_ = new MemoryTransfer(link_, settings_, *poll_, *front_, this);
    memory_->setMainWindow(this);
    chart_ = new ChartMode(link_, settings_, chartControls_, *poll_, panelGraphic_, this);

    createMenu();
    front_->laKorvelVersiya()->clear();
}

void TMainFormTestIndKorvel::createMenu()
{
    menu_ = new QMenu(this);
    menu_->setObjectName(QStringLiteral("MainPopupMenu"));
    auto add = [this](const char* name, const QString& caption, bool visible) {
        QAction* a = caption == QStringLiteral("-") ? menu_->addSeparator()
                                                    : menu_->addAction(caption);
        a->setObjectName(QString::fromLatin1(name));
        a->setVisible(visible);
        return a;
    };
    add("NComPortProperties", QStringLiteral("Настройки"), true);
    add("NFindDevice", QStringLiteral("Поиск прибора"), true);
    add("N1", QStringLiteral("-"), true);
    serviceActions_ << add("NReadEEPROM", QStringLiteral("Прочитать EEPROM"), false);
    serviceActions_ << add("NWriteEEPROM", QStringLiteral("Записать EEPROM"), false);
    add("N3", QStringLiteral("-"), true);
    serviceActions_ << add("NReadFM", QStringLiteral("Прочитать FM"), false);
    serviceActions_ << add("NWriteFM", QStringLiteral("Записать FM"), false);
    // The handlers run after the menu has closed, not inside its loop. A write chosen with
    // Shift held sends every byte of the area, not only those that differ.
    const auto later = [this](auto command) {
        return [this, command] {
            const bool allBytes = QGuiApplication::keyboardModifiers() & Qt::ShiftModifier;
            QMetaObject::invokeMethod(
                memory_, [this, command, allBytes] { command(*memory_, allBytes); },
                Qt::QueuedConnection);
        };
    };
    connect(serviceActions_[0], &QAction::triggered, memory_,
            later([](MemoryTransfer& m, bool) { m.NReadEEPROMClick(); }));
    connect(serviceActions_[1], &QAction::triggered, memory_,
            later([](MemoryTransfer& m, bool all) { m.NWriteEEPROMClick(all); }));
    connect(serviceActions_[2], &QAction::triggered, memory_,
            later([](MemoryTransfer& m, bool) { m.NReadFMClick(); }));
    connect(serviceActions_[3], &QAction::triggered, memory_,
            later([](MemoryTransfer& m, bool all) { m.NWriteFMClick(all); }));
    for (QAction* write : {serviceActions_[1], serviceActions_[3]})
        write->setToolTip(QStringLiteral("С Shift: записать все байты, а не только изменённые"));
    menu_->setToolTipsVisible(true);
    add("N2", QStringLiteral("-"), true);
    NGraphic_ = add("NGraphic", QStringLiteral("График"), true);
}

void TMainFormTestIndKorvel::connectSignals()
{
    link_.onTrace = [this](const TraceLines& lines) { front_->showTrace(lines); };

    poll_->hooks.openPort = [this] {
        return OpenComPort(port_, settings_, settings_.ReadTotalTimeoutConstant);
    };
    poll_->hooks.showMessage = [](const QString& text) {
        if (text.isEmpty())
            ShowFormMessage();
        else
            ShowFormMessage(text);
    };
    poll_->hooks.bringToFront = [this] {
        raise();
        activateWindow();
    };

    poll_->hooks.keyboardUnlocked = [this] { keypad_->keyboardUnlocked(); };

    keypad_->showMessage = [] { ShowFormMessage(); };
    keypad_->startDrag = [this](QPoint pos) { skin_->dragPress(pos, Qt::LeftButton); };
    connect(keypad_, &Keypad::serviceCommandsToggled, this,
            &TMainFormTestIndKorvel::ToggleServiceCommands);

    // The I/O strip hands presses on its background and keys on its focus sink to the face.
    ioPanel_->control.showMessage = [this](OutputFailure failure) {
        const OutputControl& c = ioPanel_->control;
        showPopup(OutputFailureMessage(failure, c.journal.folder(), c.journalError()));
    };
    // Said once the connection's own work is done, not in the middle of the poll's traffic.
    ioPanel_->outputsRestored = [this](const OutputJournalEntry& entry) {
        const PopupMessage m = OutputsRestoredMessage(entry);
        QMetaObject::invokeMethod(this, [m] { showPopup(m); }, Qt::QueuedConnection);
    };
    ioPanel_->mouseDown = [this](Qt::MouseButton b, Qt::KeyboardModifiers m, QPoint p) {
        keypad_->MainImageMouseDown(b, m, p, false);
    };
    ioPanel_->mouseMove = [this](QPoint p) { skin_->dragMove(p); };
    ioPanel_->mouseUp = [this] { skin_->dragRelease(); };
    ioPanel_->keyDown = [this](int key, Qt::KeyboardModifiers m) {
        keypad_->ButtonPustoKeyDown(key, m);
    };
    // The strip stays off the link while a memory transfer owns it; page 1 holds the
    // outputs' configuration, so the transfer takes them back and closes the strip first.
    connect(memory_, &MemoryTransfer::transferActiveChanged, ioPanel_,
            &IoPanelController::setTransferLock);
    memory_->handOutputsBack = [this] { return outputsHandedBack(&TransferNotStartedMessage); };
    memory_->closeIoPanel = [this] { closeIoPanel(); };
    memory_->openIoPanelIfWanted = [this] {
        if (settings_.ShowPanelInOut && !ioPanel_->isOpen())
            openIoPanel();
    };
    connect(menu_->findChild<QAction*>(QStringLiteral("NComPortProperties")), &QAction::triggered,
            this, &TMainFormTestIndKorvel::NComPortPropertiesClick);
    connect(menu_->findChild<QAction*>(QStringLiteral("NFindDevice")), &QAction::triggered, this,
            &TMainFormTestIndKorvel::NFindDeviceClick);

    connect(skin_, &SkinnedWindow::revealFinished, this,
            &TMainFormTestIndKorvel::onRevealFinished);
    connect(closeImage_, &ImageButton::clicked, this, &QWidget::close);
    connect(minimizeImage_, &ImageButton::clicked, this, [this] {
        minimizeImage_->resetHover();
        showMinimized();
    });

    front_->MainImage()->installEventFilter(this);
    front_->MainPanel()->installEventFilter(this);
    buttonPusto_->installEventFilter(this);
    connectChart();
}

void TMainFormTestIndKorvel::connectChart()
{
    ChartController& c = chart_->controller();
    c.hooks.openPort = poll_->hooks.openPort;
    c.hooks.showPortMessage = [this] { ShowPortParametersNotSet(settings_); };
    c.hooks.showChartView = [this] {
        panelGraphic_->setGeometry(rect());
        panelGraphic_->show();
        panelGraphic_->raise();
        skin_->EnterFramedWindow();
    };
    c.hooks.restoreShapedWindow = [this] { skin_->RestoreShapedWindow(panelGraphic_); };
    c.hooks.focusToButtonPusto = [this] { buttonPusto_->setFocus(); };
    c.hooks.closeIoPanel = [this] { closeIoPanel(); }; // also without a strip: see close()
    c.hooks.openIoPanelIfWanted = [this] {
        if (settings_.ShowPanelInOut && !ioPanel_->isOpen())
            openIoPanel();
    };
    chartRunning = [&c] { return c.running(); };
    poll_->hooks.reopened = [this, &c] {
        c.stopStreamLeftRunning();
        memory_->portReopened();
    };

    connect(front_, &FrontPanel::digitDoubleClicked, &c, &ChartController::enter);
    // Entered after the menu has closed, not inside its loop.
    connect(NGraphic_, &QAction::triggered, &c, &ChartController::enter, Qt::QueuedConnection);
    panelGraphic_->installEventFilter(this);
}

void TMainFormTestIndKorvel::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (shownOnce_)
        return;
    shownOnce_ = true;
    skin_->placeOnScreen();
    skin_->takeFocus();
}

void TMainFormTestIndKorvel::onRevealFinished()
{
    if (settings_.ShowPanelInOut)
        openIoPanel();
    poll_->ConnectIndicator();
    raise();
    activateWindow();
}

void TMainFormTestIndKorvel::openIoPanel()
{
    ioPanel_->open();
}

void TMainFormTestIndKorvel::closeIoPanel()
{
    ioPanel_->close();
}

void TMainFormTestIndKorvel::NComPortPropertiesClick()
{
    SettingsDialogContext context{settings_, store_, chartControls_, port_, link_, *poll_, *front_};
    context.openIoPanel = [this] { openIoPanel(); };
    context.closeIoPanel = [this] { closeIoPanel(); };
    context.handOutputsBack = [this](bool linkChanges) {
        return outputsBackBeforeChange(linkChanges, QStringLiteral("Настройки"));
    };
    TFormProperties::Execute(context);
}

void TMainFormTestIndKorvel::NFindDeviceClick()
{
    SettingsDialogContext settings{settings_, store_, chartControls_, port_, link_, *poll_, *front_};
    settings.handOutputsBack = [this](bool linkChanges) {
        return outputsBackBeforeChange(linkChanges, QStringLiteral("Поиск прибора"));
    };
    FinderContext context{settings_, port_, link_, *poll_, *front_};
    context.listPorts = [this] {
        QList<FinderPort> ports;
        for (const PortListEntry& entry : PortList::scan(settings_.CommName))
            ports.append({entry.name, entry.text});
        return ports;
    };
    // A choice is stored exactly as the settings dialog's OK stores the same three values.
    context.connectTo = [this, &settings](const QString& port, int baud, int address) {
        DialogSelections chosen = DialogSelections::fromValues(settings_);
        chosen.CommName = port;
        chosen.BaudRate = baud;
        chosen.AdrPribor = address;
        const TFormProperties::LinkBefore before{settings_.CommName, settings_.BaudRate,
                                                 settings_.AdrPribor};
        if (!TFormProperties::OutputsBackBeforeNewLink(settings, chosen, before))
            return false;
        TFormProperties::StoreAndReconnect(settings, chosen, before);
        return true;
    };
    context.restorePoll = [&settings] { TFormProperties::RestorePoll(settings); };
    TFormFindDevice::Execute(context);
}

bool TMainFormTestIndKorvel::outputsHandedBack(PopupMessage (*notDone)(OutputFailure))
{
    const OutputFailure failure = ioPanel_->handOutputsBack();
    if (failure == OutputFailure::None)
        return true;
    const PopupMessage m = notDone(failure);
    ShowFormMessage(m.text, m.extraWidth, m.okShift, m.extraHeight);
    return false;
}

bool TMainFormTestIndKorvel::outputsBackBeforeChange(bool linkChanges, const QString& title)
{
    const OutputFailure failure = ioPanel_->handOutputsBack();
    if (failure == OutputFailure::None)
        return true;
    if (!linkChanges) {
        showPopup(StripKeptMessage(failure));
        return false;
    }
    // The old indicator cannot be reached, maybe never again from here. Its block is in the
    // journal, so the technician may go on: the block goes back when that indicator is
    // connected again.
    if (!ioPanel_->control.holding() || !ioPanel_->control.journal.find(*ioPanel_->control.holding())) {
        showPopup(SettingsKeptMessage(failure));
        return false;
    }
    if (!askToGoOn(title, OutputsLeftQuestion()))
        return false;
    return ioPanel_->leaveOutputsToJournal();
}

void TMainFormTestIndKorvel::ToggleServiceCommands()
{
    const bool show = !serviceActions_.first()->isVisible();
    for (QAction* a : serviceActions_)
        a->setVisible(show);
    chart_->panel().setServiceCommandsVisible(show);
}

void TMainFormTestIndKorvel::restoreFromMinimized()
{
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

bool TMainFormTestIndKorvel::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == front_->MainImage()) {
        switch (event->type()) {
        // A quick second click arrives as a double click; for the keys it is another press.
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick: {
            auto* e = static_cast<QMouseEvent*>(event);
            keypad_->MainImageMouseDown(e->button(), e->modifiers(), e->position().toPoint(),
                                        true);
            return true;
        }
        case QEvent::MouseMove:
            if (skin_->dragActive())
                skin_->dragMove(static_cast<QMouseEvent*>(event)->position().toPoint());
            break;
        case QEvent::MouseButtonRelease:
            skin_->dragRelease();
            break;
        default:
            break;
        }
    }
    if ((watched == front_->MainImage() || watched == front_->MainPanel()) &&
        event->type() == QEvent::ContextMenu) {
        menu_->popup(static_cast<QContextMenuEvent*>(event)->globalPos());
        return true;
    }
    if (watched == panelGraphic_) {
        // Every other event passes here too: the event is a mouse event only in these cases.
        const auto mouse = [event] { return static_cast<QMouseEvent*>(event); };
        switch (event->type()) {
        case QEvent::MouseButtonPress: {
            QMouseEvent* e = mouse();
            // During a run a press only drags: clearing the receive queue would lose samples.
            if (chart_->controller().running())
                skin_->dragPress(e->position().toPoint(), e->button());
            else
                keypad_->MainImageMouseDown(e->button(), e->modifiers(), e->position().toPoint(),
                                            false);
            return true;
        }
        case QEvent::MouseButtonDblClick:
            chart_->controller().panelDoubleClicked();
            return true;
        case QEvent::MouseMove:
            if (skin_->dragActive())
                skin_->dragMove(mouse()->position().toPoint());
            break;
        case QEvent::MouseButtonRelease:
            skin_->dragRelease();
            break;
        default:
            break;
        }
    }
    if (watched == buttonPusto_ && event->type() == QEvent::KeyPress) {
        auto* e = static_cast<QKeyEvent*>(event);
        keypad_->ButtonPustoKeyDown(e->key(), e->modifiers());
        return true; // no key may "click" the hidden button or move the focus
    }
    return QWidget::eventFilter(watched, event);
}

void TMainFormTestIndKorvel::closeEvent(QCloseEvent* event)
{
    if ((chartRunning && chartRunning()) || memory_->transferActive()) {
        event->ignore();
        return;
    }
    if (skin_->closeAllowed()) {
        event->accept();
        return;
    }
    // A second request while this one is under way or the closing animation plays changes
    // nothing.
    if (closing_ || skin_->isClosing()) {
        event->ignore();
        return;
    }
    closing_ = true;
    // The last reveal step must not open the port while the window is being closed.
    skin_->revealTimer()->stop();

    // The outputs go back before the keyboard and the port, also when the strip is closed
    // but a take-over cut off half-way left the device's block changed. When they cannot,
    // the journal keeps their block for that indicator's next connection, and the popup
    // says so once.
    const OutputFailure handBack = ioPanel_->handOutputsBack();
    if (handBack != OutputFailure::None && ioPanel_->leaveOutputsToJournal())
        showPopup(OutputsLeftAtExitMessage(handBack));
    closeIoPanel();
    QCoreApplication::processEvents();

    // Leaving by the window's close from chart mode: the indicator gets its own filters back.
    if (port_.state() == PortState::Open)
        chart_->controller().windowClosing();
    if (port_.state() != PortState::NeverOpened) {
        poll_->ReleaseIndicator();
        port_.close();
    }
    poll_->shutDown();
    showSettingsWriteFailure(store_.SaveChartSettings(chartControls_));

    event->ignore();
    skin_->startClosing();
    if (panelGraphic_->isVisible() || !windowFlags().testFlag(Qt::FramelessWindowHint))
        skin_->RestoreShapedWindow(panelGraphic_);
}

} // namespace korvel
