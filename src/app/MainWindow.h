#pragma once
#include "device/IndicatorConnection.h"
#include "settings/ChartControls.h"
#include "settings/SettingsStore.h"
#include "settings/SettingsValues.h"

#include <QWidget>
#include <functional>

class QAction;
class QCheckBox;
class QMenu;
class QPushButton;

namespace korvel {

class ChartMode;
class FrontPanel;
class ImageButton;
class IoPanelController;
class Keypad;
class MemoryTransfer;
class PollCycle;
class SkinnedWindow;
enum class OutputFailure;
struct PopupMessage;

// The main window: a borderless, shaped picture of the indicator. It owns the program's
// state (settings, port, link) and composes the front panel, the poll, the keypad and the
// shaped-window behaviour; each of those keeps its own logic.
class TMainFormTestIndKorvel : public QWidget
{
    Q_OBJECT
public:
    // settingsFile: where the settings live (beside the executable unless a test says else).
    explicit TMainFormTestIndKorvel(const QString& settingsFile = SettingsStore::defaultFilePath(),
                                    QWidget* parent = nullptr);
    ~TMainFormTestIndKorvel() override;

    static QString windowTitleFor(const QString& executablePath);

    // A second start of the same executable: un-minimise, raise and activate.
    void restoreFromMinimized();

    Uperemen& settings() { return settings_; }
    ChartControls& chartControls() { return chartControls_; }
    SerialPort& port() { return connection_.port; }
    Link& link() { return connection_.link; }
    PollCycle& poll() { return *poll_; }
    Keypad& keypad() { return *keypad_; }
    MemoryTransfer& memory() { return *memory_; }
    FrontPanel& frontPanel() { return *front_; }
    SkinnedWindow& skin() { return *skin_; }
    ChartMode& chart() { return *chart_; }
    QMenu* MainPopupMenu() const { return menu_; }
    QCheckBox* CheckBoxBlockKeyboard() const { return lockBox_; }
    QPushButton* ButtonPusto() const { return buttonPusto_; }
    IoPanelController& ioPanel() { return *ioPanel_; }

    // The digital I/O strip under the window: opened (end of the reveal, settings, chart
    // exit), or its outputs handed back and the strip rolled up (settings, chart entry, close).
    void openIoPanel();
    void closeIoPanel();

    // True while a chart recording runs; the window refuses to close then.
    std::function<bool()> chartRunning;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setupUi(const QString& settingsFile);
    void createMenu();
    void connectSignals();
    void onRevealFinished();
    void connectChart();
    void ToggleServiceCommands();
    void NComPortPropertiesClick();
    // "Поиск прибора": the search dialog, wired to the settings dialog's way of storing a choice.
    void NFindDeviceClick();
    // Hands the outputs back before the link changes hands or settings; on a failure shows
    // why in one popup (notDone words what is not done) and returns false.
    bool outputsHandedBack(PopupMessage (*notDone)(OutputFailure));
    // The same before new settings (a new link, or the strip switched off). After a failure
    // before a new link the user may go on anyway ("Продолжить"): the journal keeps the old
    // indicator's block.
    bool outputsBackBeforeChange(bool linkChanges, const QString& title);

    // Program state.
    Uperemen settings_;
    ChartControls chartControls_;
    SettingsStore store_;
    IndicatorConnection connection_;
    // Short names for the parts every feature is given.
    NativeSerialPort& port_ = connection_.port;
    Link& link_ = connection_.link;

    // Pieces.
    FrontPanel* front_ = nullptr;
    PollCycle* poll_ = nullptr;
    Keypad* keypad_ = nullptr;
    IoPanelController* ioPanel_ = nullptr;
    MemoryTransfer* memory_ = nullptr;
    SkinnedWindow* skin_ = nullptr;
    ImageButton* closeImage_ = nullptr;
    ImageButton* minimizeImage_ = nullptr;
    QCheckBox* lockBox_ = nullptr;
    QPushButton* buttonPusto_ = nullptr;
    QWidget* panelGraphic_ = nullptr;
    ChartMode* chart_ = nullptr;
    QAction* NGraphic_ = nullptr;
    QMenu* menu_ = nullptr;
    QList<QAction*> serviceActions_;
    bool shownOnce_ = false;
    bool closing_ = false;
};

} // namespace korvel
