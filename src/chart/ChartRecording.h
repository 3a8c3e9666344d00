#pragma once
#include "chart/ChartController.h"
#include "chart/ChartFileDialog.h"
#include "chart/core/ChartFileRecorder.h"
#include "settings/SettingsMessages.h"

#include <QObject>
#include <QTimer>
#include <functional>

class QCheckBox;

namespace korvel {

// "Записывать в файл": while the box is ticked, every run is written to a chart file as its
// points come (ChartFileRecorder), so a recording of hours survives a crash or a pulled cable and
// costs no memory beyond the chart's window: the chart keeps its window, the file everything.
//
// The file is chosen when the box is ticked, and every further run asks for a new one, so a
// recording never replaces another unasked. Cancelling that dialog unticks the box and the run
// starts all the same, unrecorded: "Пуск" was pressed to watch the scale, and the unticked box
// says plainly that this run goes nowhere. Ticking the box during a run records at once, from the
// points the chart still holds on. Lines go to the system every kFlushIntervalMs and to the
// medium itself once a second (ChartFileRecorder cuts a long recording into parts); the file is
// complete and closed however the run ends ("Стоп", a pulled adapter, the box unticked). A file
// that cannot be written stops the recording with a message naming it and unticks the box; the
// run goes on, and what was written stays.
//
// It takes the run's samples straight from the reception, after the chart has taken them.
class ChartRecording : public QObject, private ChartSampleSink
{
    Q_OBJECT
public:
    ChartRecording(ChartController& controller, QCheckBox* box, QObject* parent = nullptr);

    ChartFileDialog GraphRecordDialog{ChartFileDialog::Kind::Record};

    // Asks for the file of the next recording; true with `path` set. The dialog unless replaced.
    std::function<bool(QString& path)> chooseFile;
    // Shows a message (the message popup unless replaced).
    std::function<void(const PopupMessage&)> showMessage;

    // The file being written, or the one the next run will write; empty when unticked.
    QString fileName() const { return path_; }
    bool recording() const { return recorder_.active(); }
    const ChartFileRecorder& recorder() const { return recorder_; }
    // Whether `path` names a file of the recording going on (any of its parts), however it is
    // spelt: a relative name, a link, another case where the system ignores case.
    bool writesTo(const QString& path) const;
    // The size at which recordings are cut into parts (for tests; ChartFileRecorder::kPartBytes).
    void setPartBytes(qint64 bytes) { recorder_.setPartBytes(bytes); }

    // Well under the second a killed program may lose.
    static constexpr int kFlushIntervalMs = 250;
    // Every this many flushes the lines also go to the medium: once a second, which is what a
    // power loss may cost. Not at every flush: a sync waits for the medium (tens or hundreds of
    // milliseconds on a USB stick), and four a second would keep a slow stick busy for nothing.
    static constexpr int kFlushesPerSync = 1000 / kFlushIntervalMs;

private:
    void boxToggled(bool on);
    void runRequested();
    void modeChanged(ChartController::Mode mode);
    void begin();
    void addSample(const ChartSample& sample) override;
    void end();
    void failed();
    bool askForFile();
    void untick();
    QString proposedPath() const;
    void focusToSink();

    ChartController& controller_;
    QCheckBox* box_;
    ChartFileRecorder recorder_;
    QTimer flushTimer_;
    int flushes_ = 0;
    QString path_;
    QString lastFolder_;
    bool fileUsed_ = false; // a run has written path_: the next one asks for another file
};

} // namespace korvel
