#include "chart/ChartMode.h"

#include "chart/ChartController.h"
#include "chart/ChartFiles.h"
#include "chart/ChartPanel.h"
#include "chart/ChartPlot.h"
#include "chart/ChartRecording.h"
#include "chart/ContinuousReading.h"
#include "ui/MessagePopup.h"

#include <QEvent>
#include <QVBoxLayout>
#include <QWidget>

namespace korvel {

ChartMode::ChartMode(Link& link, Uperemen& settings, ChartControls& controls, PollCycle& poll,
                     QWidget* panelGraphic, QObject* parent)
    : QObject(parent), panelGraphic_(panelGraphic)
{
    plot_ = new ChartPlot(panelGraphic_);
    controller_ = new ChartController(link, settings, controls, poll, *plot_, this);
    panel_ = new ChartPanel(*controller_, settings, controls, plot_, panelGraphic_);
    auto* fill = new QVBoxLayout(panelGraphic_);
    fill->setContentsMargins(0, 0, 0, 0);
    fill->addWidget(panel_);

    files_ = new ChartFiles(*controller_, *panel_, this);
    continuous_ = new ContinuousReading(*controller_, settings, this);
    recording_ = new ChartRecording(*controller_, panel_->CheckBoxRecordToFile(), this);
    files_->beingRecorded = [this](const QString& path) { return recording_->writesTo(path); };
    continuous_->showLinkFailure = [] { ShowFormMessage(); };
    panel_->onSaveData = [this] { files_->NSaveDataGraphClick(); };
    panel_->onLoadData = [this] { files_->NLoadDataGraphClick(); };
    panel_->onSavePicture = [this] { files_->NSavePictureGraphClick(); };
    panel_->onContinuousReading = [this] { continuous_->btnContiniousReadingClick(); };
    connect(continuous_, &ContinuousReading::busyChanged, panel_,
            &ChartPanel::setContinuousReadingBusy);
    connect(continuous_, &ContinuousReading::timeTextChanged, panel_, &ChartPanel::setTimeText);

    if (QWidget* window = panelGraphic_->window(); window != panelGraphic_) {
        panelGraphic_->setGeometry(window->rect());
        window->installEventFilter(this);
    }
}

bool ChartMode::eventFilter(QObject* watched, QEvent* event)
{
    // PanelGraphic fills the window's client area whatever size the framed window is given.
    if (event->type() == QEvent::Resize && watched == panelGraphic_->window())
        panelGraphic_->setGeometry(panelGraphic_->window()->rect());
    return QObject::eventFilter(watched, event);
}

} // namespace korvel
