#pragma once
#include "chart/ChartFilters.h"
#include "chart/core/ChartAcquisition.h"
#include "chart/core/StreamReception.h"

#include <QObject>
#include <QString>
#include <functional>

namespace korvel {

class ChartControls;
class ChartSink;
struct ChartFileContents;
struct ChartFileData;
class Link;
class PollCycle;
struct Uperemen;

// What chart mode needs from the window around it. Every member may be left empty.
struct ChartHooks
{
    // Opens the port with the user's settings, reporting its own failures; true when open.
    std::function<bool()> openPort;
    // The port message: the port's parameters could not be set.
    std::function<void()> showPortMessage;
    // Shows PanelGraphic and makes the window a framed, sizeable rectangle.
    std::function<void()> showChartView;
    // Back to the shaped front panel (PanelGraphic hidden).
    std::function<void()> restoreShapedWindow;
    // Gives the keyboard focus to the hidden ButtonPusto.
    std::function<void()> focusToButtonPusto;
    // The digital I/O panel: closed at entry if open; at exit opened if the settings ask for
    // it and it is not open.
    std::function<void()> closeIoPanel;
    std::function<void()> openIoPanelIfWanted;
};

// Chart mode: entering and leaving it, the start and stop of a run, and the reaction to the
// chart's controls. While chart mode is on it owns the link (polling stays suspended). A run is
// driven by the port's readiness in the main event loop (StreamReception), which decodes each
// frame once and hands the sample to ChartAcquisition (and so to the plot), then to whatever
// else was added to it (the recording).
class ChartController : public QObject
{
    Q_OBJECT
public:
    enum class Mode { Off, Idle, Running, Stopping };

    ChartController(Link& link, Uperemen& settings, ChartControls& controls, PollCycle& poll,
                    ChartSink& sink, QObject* parent = nullptr);

    ChartHooks hooks;

    // --- entering and leaving -----------------------------------------------------------------
    // Panel1Ind1DblClick / NGraphicClick.
    void enter();
    // BitBtnCloseGraphicClick; does nothing unless chart mode is on and idle.
    void leave();
    // PanelGraphicDblClick: leaves, but only while no run is active.
    void panelDoubleClicked();
    // The window closes while chart mode is on: the indicator gets its own filters back.
    void windowClosing();

    // --- a run -----------------------------------------------------------------------------------
    // BitBtnPuskStopClick: starts a run, or stops the one that is active.
    void puskStop();
    void stopRun();
    // A run cut short by a pulled-out adapter could not tell the indicator to stop, and it
    // goes on streaming, which would garble every reply: the stop sequence is sent once the
    // port is open again (the next entry or "Пуск", or the poll's reopen through this call).
    void stopStreamLeftRunning();
    // After a start command that was not acknowledged: the stop sequence, or a mark for the
    // port's return when the adapter went away with it.
    void stopStreamAfterFailedStart();
    bool streamLeftRunning() const { return streamLeftRunning_; }

    // --- controls
    // ----------------------------------------------------------------------------------
    void timeWindowChanged(int seconds); // CSpinEditTimeOnGraphChange
    void filter1Changed(int value);      // CSpinEditFilter1Change
    void filter2Changed(int value);
    void stabBndChanged(int value);
    void smoothScrollChanged(bool on);      // CheckBoxChartBottomAxisAutomaticClick
    void periodEdited(const QString& text); // edPeriodACPChange
    // edPeriodACPExit: the text the field is to show, and whether the focus stays in it.
    struct PeriodExit
    {
        QString text;
        bool keepFocus = false;
    };
    PeriodExit periodLeft(const QString& text);

    // --- state
    // ---------------------------------------------------------------------------------------
    Mode mode() const { return mode_; }
    bool chartShown() const { return mode_ != Mode::Off; }
    // A run is active (running or stopping): the window refuses to close, "Выход" is off.
    bool running() const { return mode_ == Mode::Running || mode_ == Mode::Stopping; }
    bool filterControlsEnabled() const { return filterControlsEnabled_; }
    // A file load or a continuous reading may begin only while no run is active.
    bool mayReplaceData() const { return !running(); }
    // "Сохранить в файле данные из графика" is offered for device data with points only.
    bool saveOffered() const;

    // --- data to and from files --------------------------------------------------------------
    // What a chart file of the points shown holds.
    ChartFileData fileData() const;
    // Shows what was read from a file: its points, their time texts, its input traces, the
    // weight axis fitted to them, the time axis over them. The chart then holds file data.
    void showFileData(const ChartFileContents& file);

    // Opens the port if it is not open (the port reports its own failure); true when open.
    bool portOpen();
    // laPeriodACPFromFile and laNumDInputFromFile go away.
    void hideFileLabels() { emit fileLabelsHidden(); }

    QString ChartDataSource;
    int SavedReadTimeout = -1;

    ChartAcquisition& acquisition() { return acquisition_; }
    const ChartAcquisition& acquisition() const { return acquisition_; }
    ChartFilters& filters() { return filters_; }
    StreamReception& reception() { return reception_; }
    Link& link() { return link_; }
    Indicator& indicator() { return indicator_; }

signals:
    void modeChanged(ChartController::Mode mode);
    void filterControlsEnabledChanged(bool enabled);
    // The controls' model changed underneath the widgets (the time window raised for a slow
    // filter, the period text rewritten): the widgets show it again.
    void controlsChanged();
    void delayLabelChanged(const QString& text, bool visible);
    // laPeriodACPFromFile and laNumDInputFromFile go away.
    void fileLabelsHidden();
    // "Пуск" on the idle chart with the port open, before anything is sent: what a run needs
    // asked first (the recording's file) is asked now.
    void runRequested();
    // A run begins: the traces take the colours and the mask in force now.
    void runStarting(std::uint8_t inputMask);
    // Input traces from a file are about to be drawn: in the configured colours and levels,
    // or as the older file's one trace.
    void fileTracesStyled(bool olderForm);

private:
    bool restoreReadTimeout();
    void readScaling();
    void setMode(Mode mode);
    void setFilterControlsEnabled(bool enabled);
    void stopSequence();

    Link& link_;
    Indicator indicator_;
    Uperemen& settings_;
    ChartControls& controls_;
    PollCycle& poll_;
    ChartAcquisition acquisition_;
    ChartFilters filters_;
    StreamReception reception_;
    Mode mode_ = Mode::Off;
    bool filterControlsEnabled_ = true;
    bool streamLeftRunning_ = false;
};

} // namespace korvel
