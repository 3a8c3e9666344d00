#pragma once
#include <QObject>

class QWidget;

namespace korvel {

class ChartControls;
class ChartController;
class ChartFiles;
class ChartPanel;
class ChartPlot;
class ChartRecording;
class Link;
class ContinuousReading;
class PollCycle;
struct Uperemen;

// Chart mode put together for the main window: the plot, the controller and the panel inside
// PanelGraphic, which is kept filling the window, with the chart files and the continuous
// reading wired to the panel. The window wires the controller's hooks.
class ChartMode : public QObject
{
    Q_OBJECT
public:
    ChartMode(Link& link, Uperemen& settings, ChartControls& controls, PollCycle& poll,
              QWidget* panelGraphic, QObject* parent = nullptr);

    ChartController& controller() const { return *controller_; }
    ChartPanel& panel() const { return *panel_; }
    ChartPlot& plot() const { return *plot_; }
    ChartFiles& files() const { return *files_; }
    ContinuousReading& continuousReading() const { return *continuous_; }
    ChartRecording& recording() const { return *recording_; }
    QWidget* PanelGraphic() const { return panelGraphic_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* panelGraphic_;
    ChartPlot* plot_;
    ChartController* controller_;
    ChartPanel* panel_;
    ChartFiles* files_;
    ContinuousReading* continuous_;
    ChartRecording* recording_;
};

} // namespace korvel
