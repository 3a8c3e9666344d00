#pragma once
#include "chart/ChartFileDialog.h"
#include "settings/SettingsMessages.h"

#include <QObject>
#include <functional>

namespace korvel {

class ChartController;
class ChartPanel;

// The chart's popup items for files: the recording saved as a chart file
// (NSaveDataGraphClick), a chart file, an older chart file or a plain two-column text shown
// on the chart (NLoadDataGraphClick), and a picture of the chart for reports. The dialogs
// start in the program's dialog folder. What cannot be done is said in the message popup,
// naming the file; a file read only in part keeps the points read before its problem.
class ChartFiles : public QObject
{
    Q_OBJECT
public:
    ChartFiles(ChartController& controller, ChartPanel& panel, QObject* parent = nullptr);

    ChartFileDialog GraphTXTSaveDialog{ChartFileDialog::Kind::SaveData};
    ChartFileDialog GraphTXTOpenDialog{ChartFileDialog::Kind::OpenData};
    ChartFileDialog GraphPictureSaveDialog{ChartFileDialog::Kind::SavePicture};

    void NSaveDataGraphClick();
    void NLoadDataGraphClick();
    void NSavePictureGraphClick();

    // The same without the dialogs. Saving refuses file data and an empty chart; loading is
    // refused while a run is active.
    bool saveData(const QString& path);
    void loadData(const QString& path);
    bool savePicture(const QString& path);

    // Shows a message (the message popup unless replaced).
    std::function<void(const PopupMessage&)> showMessage;
    // Whether a recording is writing to this file now (ChartRecording::writesTo). A save there
    // is refused: the save replaces the file with a new one, and the recording would go on
    // writing into the old one, which no name reaches any more, losing the rest of the run.
    std::function<bool(const QString& path)> beingRecorded;

private:
    void show(const PopupMessage& message);

    ChartController& controller_;
    ChartPanel& panel_;
};

} // namespace korvel
