#include "chart/ChartRecording.h"

#include "chart/ChartMessages.h"
#include "chart/core/SameFile.h"
#include "settings/AppPaths.h"
#include "ui/MessagePopup.h"

#include <QCheckBox>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace korvel {

ChartRecording::ChartRecording(ChartController& controller, QCheckBox* box, QObject* parent)
    : QObject(parent), controller_(controller), box_(box)
{
    chooseFile = [this](QString& path) {
        GraphRecordDialog.FileName = proposedPath();
        if (!GraphRecordDialog.Execute(box_->window()))
            return false;
        path = GraphRecordDialog.FileName;
        return true;
    };
    flushTimer_.setInterval(kFlushIntervalMs);
    connect(&flushTimer_, &QTimer::timeout, this, [this] {
        const bool toMedium = ++flushes_ % kFlushesPerSync == 0;
        if (!recorder_.flush() || (toMedium && !recorder_.syncToMedium()))
            failed();
    });
    connect(box_, &QCheckBox::toggled, this, &ChartRecording::boxToggled);
    connect(&controller_, &ChartController::runRequested, this, &ChartRecording::runRequested);
    connect(&controller_, &ChartController::modeChanged, this, &ChartRecording::modeChanged);
    controller_.reception().addSink(*this);
}

void ChartRecording::boxToggled(bool on)
{
    if (on) {
        if (!askForFile())
            untick();
        else if (controller_.mode() == ChartController::Mode::Running)
            begin();
    } else {
        end();
        path_.clear();
    }
    focusToSink();
}

bool ChartRecording::askForFile()
{
    QString path;
    if (!chooseFile || !chooseFile(path))
        return false;
    path_ = path;
    lastFolder_ = QFileInfo(path).absolutePath();
    fileUsed_ = false;
    return true;
}

QString ChartRecording::proposedPath() const
{
    // A name of its own for every recording, in the folder of the last one.
    const QString folder = lastFolder_.isEmpty() ? AppPaths::dialogFolder() : lastFolder_;
    return QDir(folder).filePath(
        QStringLiteral("Запись ") +
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH-mm-ss")) +
        QStringLiteral(".twi"));
}

void ChartRecording::runRequested()
{
    if (!box_->isChecked() || (!fileUsed_ && !path_.isEmpty()))
        return;
    if (!askForFile())
        untick();
    focusToSink();
}

void ChartRecording::modeChanged(ChartController::Mode mode)
{
    if (mode == ChartController::Mode::Running) {
        if (box_->isChecked() && !path_.isEmpty() && !fileUsed_)
            begin();
    } else {
        end();
    }
}

void ChartRecording::begin()
{
    fileUsed_ = true;
    // The run's header and whatever the chart holds of it already (nothing at its start).
    if (!recorder_.start(path_, controller_.fileData())) {
        failed();
        return;
    }
    flushes_ = 0;
    flushTimer_.start();
}

void ChartRecording::addSample(const ChartSample& sample)
{
    if (!recorder_.active() || !sample.plotted())
        return;
    if (!recorder_.append(sample))
        failed();
}

void ChartRecording::end()
{
    flushTimer_.stop();
    if (!recorder_.finish())
        failed();
}

void ChartRecording::failed()
{
    flushTimer_.stop();
    // Names the part that failed, the chosen file's name with its number.
    const QString path = recorder_.path().isEmpty() ? path_ : recorder_.path();
    const PopupMessage message = ChartRecordingStoppedMessage(path, recorder_.errorString());
    untick();
    // Never from inside the reception of a sample: the popup runs an event loop of its own.
    QTimer::singleShot(0, this, [this, message] {
        if (showMessage)
            showMessage(message);
        else
            ShowFormMessage(message.text, message.extraWidth, message.okShift, message.extraHeight);
    });
}

bool ChartRecording::writesTo(const QString& path) const
{
    if (!recorder_.active())
        return false;
    const QStringList& parts = recorder_.paths();
    return std::any_of(parts.begin(), parts.end(),
                       [&](const QString& part) { return SameFile(part, path); });
}

void ChartRecording::untick()
{
    const QSignalBlocker quiet(box_);
    box_->setChecked(false);
    path_.clear();
}

void ChartRecording::focusToSink()
{
    if (controller_.hooks.focusToButtonPusto)
        controller_.hooks.focusToButtonPusto();
}

} // namespace korvel
