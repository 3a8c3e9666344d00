#include "chart/ChartFiles.h"

#include "chart/ChartController.h"
#include "chart/ChartFiguresRow.h"
#include "chart/ChartFileSave.h"
#include "chart/ChartMessages.h"
#include "chart/ChartPanel.h"
#include "chart/ChartPicture.h"
#include "chart/core/ChartFileFormat.h"
#include "chart/core/ChartFileReader.h"
#include "chart/core/ChartFileWriter.h"
#include "settings/AppPaths.h"
#include "ui/MessagePopup.h"

#include <QFile>
#include <QFileInfo>

namespace korvel {

ChartFiles::ChartFiles(ChartController& controller, ChartPanel& panel, QObject* parent)
    : QObject(parent), controller_(controller), panel_(panel)
{
    const QString folder = AppPaths::dialogFolder();
    for (ChartFileDialog* d : {&GraphTXTSaveDialog, &GraphTXTOpenDialog, &GraphPictureSaveDialog})
        d->InitialDir = folder;
}

void ChartFiles::show(const PopupMessage& m)
{
    if (showMessage)
        showMessage(m);
    else
        ShowFormMessage(m.text, m.extraWidth, m.okShift, m.extraHeight);
}

void ChartFiles::NSaveDataGraphClick()
{
    if (!controller_.saveOffered() || !GraphTXTSaveDialog.Execute(panel_.window()))
        return;
    // The next save starts with an empty name, unless this one failed and may be tried again.
    if (saveData(GraphTXTSaveDialog.FileName))
        GraphTXTSaveDialog.FileName.clear();
}

bool ChartFiles::saveData(const QString& path)
{
    if (!controller_.saveOffered())
        return false;
    if (beingRecorded && beingRecorded(path)) {
        show(ChartFileNotSavedMessage(path, ChartFileBeingRecordedText()));
        return false;
    }
    const QString why = SaveChartFile(path, controller_.fileData());
    if (why.isEmpty())
        return true;
    show(ChartFileNotSavedMessage(path, why));
    return false;
}

void ChartFiles::NLoadDataGraphClick()
{
    if (!controller_.mayReplaceData() || !GraphTXTOpenDialog.Execute(panel_.window()))
        return;
    loadData(GraphTXTOpenDialog.FileName);
}

void ChartFiles::loadData(const QString& path)
{
    if (!controller_.mayReplaceData() || !QFileInfo::exists(path))
        return;
    // A file that cannot be read at all leaves the chart as it is.
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        show(ChartFileProblemMessage(
            path, {ChartFileProblem::Kind::Unreadable, 0, file.errorString()}, 0));
        return;
    }
    const ChartFileContents contents = ReadChartFile(file);
    if (contents.problem.kind == ChartFileProblem::Kind::TooLarge) {
        show(ChartFileProblemMessage(path, contents.problem, 0));
        return;
    }
    controller_.showFileData(contents);
    panel_.showFileLabels(contents.periodLabel, contents.inputsLabel);
    if (contents.problem)
        show(ChartFileProblemMessage(path, contents.problem, int(contents.points.size())));
}

void ChartFiles::NSavePictureGraphClick()
{
    if (!GraphPictureSaveDialog.Execute(panel_.window()))
        return;
    if (savePicture(GraphPictureSaveDialog.FileName))
        GraphPictureSaveDialog.FileName.clear();
}

bool ChartFiles::savePicture(const QString& path)
{
    const QString why = SaveChartPicture(*panel_.Chart1(), path, panel_.figuresRow());
    if (why.isEmpty())
        return true;
    show(ChartPictureNotSavedMessage(path, why));
    return false;
}

} // namespace korvel
