#pragma once
#include "settings/ChartControls.h"
#include "settings/DialogSelections.h"
#include "settings/SettingsValues.h"
#include "settings/SettingsWriteResult.h"

#include <QString>

namespace korvel {

// The chart values as LoadSettings read them from the file, before any clamping by the controls.
// Kept unchanged until exit: the exit save writes a chart key only when its control differs.
struct ChartReferences
{
    int TimeOnGraph = 7;
    bool ChartBottomAxisAutomatic = false;
    QString PeriodACPText;
    int Filter1 = 0;
    int Filter2 = 0;
    int Stab_bnd = 0;
};

// The settings file beside the executable. It is never held open: each operation reads it,
// writes what it must in one atomic replace, and lets go. A failed write never throws and never
// touches the values in memory; it is returned so the caller can show the message.
class SettingsStore
{
public:
    static constexpr double kDefaultPeriodACP = 7.5;
    static constexpr double kMaxPeriodACP = 1000.0;
    static constexpr int kMinAddress = 1;
    static constexpr int kMaxAddress = 63;

    explicit SettingsStore(QString filePath = defaultFilePath());

    // Executable path less a trailing ".exe", plus ".ini": bin/korvel uses bin/korvel.ini.
    static QString filePathForExecutable(const QString& executablePath);
    static QString defaultFilePath();
    const QString& filePath() const { return filePath_; }

    // Fills the values and the controls from the file, or from defaults for whatever is missing or
    // unreadable. Never writes. The poll interval is left in values.PollInterval for the poll
    // timer.
    void LoadSettings(Uperemen& values, ChartControls& controls);

    // At exit: writes each chart key whose control differs from its reference.
    SettingsWriteResult SaveChartSettings(const ChartControls& controls) const;

    // On the settings dialog's OK: copies the selections into the values (recolouring changed
    // input traces) and writes the port, baud rate, address, panel, mask, colour and delay keys.
    SettingsWriteResult SaveDialogSettings(Uperemen& values, const DialogSelections& dialog,
                                           ChartControls& controls) const;

    const ChartReferences& references() const { return references_; }

    // The period field's text: fixed-point, two decimals, the user's decimal separator.
    static QString periodText(double periodMs);
    // Measurements that fill a chart window of the given seconds.
    static int windowPoints(int seconds, double periodMs);

private:
    QString filePath_;
    ChartReferences references_;
};

} // namespace korvel
