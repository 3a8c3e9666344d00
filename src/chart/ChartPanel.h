#pragma once
#include "chart/ChartController.h"

#include <QWidget>
#include <functional>

class QAction;
class QCheckBox;
class QLabel;
class QMenu;
class QPushButton;
class QSpinBox;

namespace korvel {

class ChartControls;
class ChartFiguresRow;
class ChartPlot;
class PeriodEdit;
struct Uperemen;

// What PanelGraphic shows in chart mode: a toolbar with the run buttons, the time window,
// smooth scrolling, the ADC period and the filter controls, which wraps into more rows when the
// window is narrow, and the plot filling the rest with its labels and popup menu. Only
// presentation: every reaction is the controller's.
class ChartPanel : public QWidget
{
    Q_OBJECT
public:
    ChartPanel(ChartController& controller, const Uperemen& settings, const ChartControls& controls,
               ChartPlot* plot, QWidget* parent = nullptr);

    QPushButton* BitBtnPuskStop() const { return puskStop_; }
    QPushButton* BitBtnCloseGraphic() const { return closeGraphic_; }
    QSpinBox* CSpinEditTimeOnGraph() const { return timeOnGraph_; }
    QCheckBox* CheckBoxChartBottomAxisAutomatic() const { return smooth_; }
    PeriodEdit* edPeriodACP() const { return period_; }
    QSpinBox* CSpinEditFilter1() const { return filter1_; }
    QSpinBox* CSpinEditFilter2() const { return filter2_; }
    QSpinBox* CSpinEditStab_bnd() const { return stabBnd_; }
    QCheckBox* CheckBoxFiltersNeVpisyvat() const { return neVpisyvat_; }
    // "Записывать в файл": every run written to a file as it comes (ChartRecording).
    QCheckBox* CheckBoxRecordToFile() const { return recordToFile_; }
    QLabel* laZaderzhkaSignDInputs() const { return delayLabel_; }
    QLabel* laPeriodACPFromFile() const { return periodFromFile_; }
    QLabel* laNumDInputFromFile() const { return inputsFromFile_; }
    QPushButton* btnContiniousReading() const { return continuous_; }
    QLabel* paTime() const { return paTime_; }
    QMenu* GraphPopupMenu() const { return popup_; }
    QAction* NSaveDataGraph() const { return save_; }
    QAction* NLoadDataGraph() const { return load_; }
    QAction* NSavePictureGraph() const { return picture_; }
    ChartPlot* Chart1() const { return plot_; }
    QWidget* toolbar() const { return toolbar_; }
    // The figures of the visible window, under the toolbar.
    ChartFiguresRow* figuresRow() const { return figures_; }

    // The service commands show or hide the continuous reading (button and time panel).
    void setServiceCommandsVisible(bool visible);

    // The chart files and the continuous reading hang here; a load and a reading are only
    // asked for while no run is active.
    std::function<void()> onSaveData;
    std::function<void()> onLoadData;
    std::function<void()> onContinuousReading;
    std::function<void()> onSavePicture;

    // The labels a file load sets; an empty text leaves its label hidden.
    void showFileLabels(const QString& period, const QString& inputs);
    // The continuous reading: its button off while it reads (repainted at once, as the reading
    // holds the event loop), and the time panel's text.
    void setContinuousReadingBusy(bool busy);
    void setTimeText(const QString& text);

    // Shows the controls' model again (after the controller changed it).
    void showControls();
    // A label on the plot got a new text (the file labels are set by the chart files).
    void fitLabel(QLabel* label);

private:
    void setupUi();
    void connectSignals();
    void showMode(ChartController::Mode mode);
    void placeOverlays();
    // Gives the keyboard back to the main window's focus sink.
    void focusToSink();
    // The input traces in the configured colours and levels, or as an older file's one trace.
    void styleInputTraces(bool olderFileTrace);

    ChartController& controller_;
    const Uperemen& settings_;
    const ChartControls& controls_;
    ChartPlot* plot_;
    QWidget* toolbar_ = nullptr;
    ChartFiguresRow* figures_ = nullptr;
    QPushButton* puskStop_ = nullptr;
    QPushButton* closeGraphic_ = nullptr;
    QSpinBox* timeOnGraph_ = nullptr;
    QCheckBox* smooth_ = nullptr;
    PeriodEdit* period_ = nullptr;
    QSpinBox* filter1_ = nullptr;
    QSpinBox* filter2_ = nullptr;
    QSpinBox* stabBnd_ = nullptr;
    QCheckBox* neVpisyvat_ = nullptr;
    QCheckBox* recordToFile_ = nullptr;
    QLabel* delayLabel_ = nullptr;
    QLabel* periodFromFile_ = nullptr;
    QLabel* inputsFromFile_ = nullptr;
    QPushButton* continuous_ = nullptr;
    QLabel* paTime_ = nullptr;
    QMenu* popup_ = nullptr;
    QAction* save_ = nullptr;
    QAction* load_ = nullptr;
    QAction* picture_ = nullptr;
    bool continuousBusy_ = false;
};

} // namespace korvel
