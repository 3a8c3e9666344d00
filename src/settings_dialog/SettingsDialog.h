#pragma once
// TFormProperties: the settings dialog. Port, baud rate and address of the indicator, the
// digital I/O strip, and which digital inputs the chart draws in which colour with what
// delay. A skinned dialog that unrolls downward and rolls back up; OK saves and, when port or
// baud rate changed, reopens the port; the close button saves nothing.
#include "settings/DialogSelections.h"
#include "settings_dialog/SettingsDialogContext.h"

#include <QColor>
#include <QDialog>
#include <array>
#include <functional>
#include <optional>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;

namespace korvel {

class ColorSample;
class ImageButton;
class SkinnedWindow;

class TFormProperties : public QDialog
{
    Q_OBJECT
public:
    static constexpr QSize kDesignSize{290, 415};

    // The menu item "Настройки": pauses the poll (saving its state in PollWasEnabled), shows
    // a new dialog modally and returns once it has closed.
    static void Execute(SettingsDialogContext& context);

    // OK's work on the connection, for whoever stores a new port, baud rate or address (the
    // search for indicators too). First: when the link changes, the outputs go back to the
    // indicator on the old one; false when they could not (the popup said why, nothing was
    // stored). Then: the poll stops, everything chosen is saved, and the port is reopened
    // when its name or rate changed. The caller restores the poll afterwards.
    struct LinkBefore
    {
        QString CommName;
        int BaudRate = 0;
        int AdrPribor = 0;
        // The strip was on: switching it off hands the outputs back first, as a new link does.
        bool ShowPanelInOut = false;
    };
    static bool OutputsBackBeforeNewLink(SettingsDialogContext& context,
                                         const DialogSelections& chosen, const LinkBefore& before);
    static void StoreAndReconnect(SettingsDialogContext& context, const DialogSelections& chosen,
                                  const LinkBefore& before);
    // The poll after a dialog on the link closed: running with the port open, else as it was.
    static void RestorePoll(SettingsDialogContext& context);

    // Creation: lists the ports afresh and shows the current settings.
    TFormProperties(SettingsDialogContext& context, QWidget* parent = nullptr);
    ~TFormProperties() override;

    // Asks for a colour starting from the given one; nothing when the user cancels. The
    // platform's colour chooser unless replaced.
    std::function<std::optional<QColor>(const QColor&, QWidget*)> chooseColor;

    // The selections as OK would save them. A baud rate, address or delay the list does not
    // offer (the field opened empty) keeps the value it had.
    DialogSelections selections() const;

    void BitBtnOKClick();
    void CloseImageClick();

    bool OkPressed() const { return okPressed_; }
    QWidget* paProperties() const { return paProperties_; }
    ImageButton* CloseImage() const { return closeImage_; }
    QComboBox* cbCommName() const { return cbCommName_; }
    QComboBox* cbBaudRate() const { return cbBaudRate_; }
    QComboBox* cbAdrPribor() const { return cbAdrPribor_; }
    QComboBox* cbZaderzhkaSignDInputs() const { return cbZaderzhka_; }
    QCheckBox* CheckBoxPanelInOut() const { return checkPanel_; }
    QCheckBox* CheckBoxNumDInputOnGraphic(int n) const { return checkInputs_.at(n - 1); }
    ColorSample* paColor(int n) const { return colors_.at(n - 1); }
    QPushButton* BitBtnOK() const { return okButton_; }
    QPushButton* ButtonPusto() const { return buttonPusto_; }
    SkinnedWindow& skin() const { return *skin_; }

public slots:
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void setupUi();
    void connectSignals();
    void loadValues();
    void onRevealFinished();
    void focusBack();
    void paColorClick(int n);
    static void reconnect(SettingsDialogContext& context);
    void restorePoll();

    SettingsDialogContext& ctx_;

    // As they were when the dialog opened.
    QString rememberedCommName_;
    int rememberedBaudRate_ = 0;
    int rememberedAdrPribor_ = 0;
    bool rememberedShowPanelInOut_ = false;
    int rememberedDelay_ = 0;
    bool okPressed_ = false;
    bool closingDone_ = false;

    QWidget* paProperties_ = nullptr;
    ImageButton* closeImage_ = nullptr;
    QComboBox* cbCommName_ = nullptr;
    QComboBox* cbBaudRate_ = nullptr;
    QComboBox* cbAdrPribor_ = nullptr;
    QComboBox* cbZaderzhka_ = nullptr;
    QCheckBox* checkPanel_ = nullptr;
    std::array<QCheckBox*, 5> checkInputs_{};
    std::array<ColorSample*, 5> colors_{};
    QPushButton* okButton_ = nullptr;
    QPushButton* buttonPusto_ = nullptr;
    QList<QLabel*> labels_;
    SkinnedWindow* skin_ = nullptr;
};

} // namespace korvel
