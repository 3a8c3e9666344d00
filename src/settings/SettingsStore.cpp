#include "settings/SettingsStore.h"

#include "settings/AppPaths.h"
#include "settings/IniProfile.h"
#include "settings/SettingsKeys.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <cmath>
#include <limits>
#include <utility>

namespace korvel {

namespace k = settings_keys;

namespace {

// One save: the file as it is now, our keys written into it, one atomic replace at the end.
class WriteBatch
{
public:
    explicit WriteBatch(const QString& path)
    {
        result_.filePath = path;
        QString error;
        // Replacing a file we could not read would throw away everything in it but our keys.
        if (ini_.loadFile(path, &error) == IniProfile::LoadStatus::Unreadable) {
            unreadable_ = true;
            fail(error);
        }
    }

    void text(const QString& section, const QString& key, const QString& value)
    {
        result_.written.emplace_back(section, key);
        if (!ini_.writeString(section, key, value))
            fail(QStringLiteral("value of \"%1\" cannot be stored").arg(key));
    }
    void integer(const QString& section, const QString& key, int value)
    {
        text(section, key, QString::number(value));
    }
    void boolean(const QString& section, const QString& key, bool value)
    {
        text(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
    }

    SettingsWriteResult finish()
    {
        if (!unreadable_ && ini_.isModified()) {
            QString error;
            // An installed copy's settings folder under the user's config folder does not
            // exist before the first save.
            const QString folder = QFileInfo(result_.filePath).absolutePath();
            if (!QDir().mkpath(folder))
                fail(QStringLiteral("folder %1 cannot be created").arg(folder));
            else if (!ini_.saveFile(result_.filePath, &error))
                fail(error);
        }
        return std::move(result_);
    }

private:
    void fail(const QString& error)
    {
        if (result_.ok)
            result_.errorString = error;
        result_.ok = false;
    }

    IniProfile ini_;
    SettingsWriteResult result_;
    bool unreadable_ = false;
};

} // namespace

SettingsStore::SettingsStore(QString filePath) : filePath_(std::move(filePath))
{
}

QString SettingsStore::filePathForExecutable(const QString& executablePath)
{
    QString base = executablePath;
    if (base.endsWith(QStringLiteral(".exe"), Qt::CaseInsensitive))
        base.chop(4);
    return base + QStringLiteral(".ini");
}

QString SettingsStore::defaultFilePath()
{
    return AppPaths::settingsFile();
}

QString SettingsStore::periodText(double periodMs)
{
    QLocale locale;
    locale.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
    return locale.toString(periodMs, 'f', 2);
}

int SettingsStore::windowPoints(int seconds, double periodMs)
{
    // A period stored by hand as a tiny fraction must not overflow the count.
    const double points = std::round(seconds * (1000.0 / periodMs));
    return points >= double(std::numeric_limits<int>::max()) ? std::numeric_limits<int>::max()
                                                             : int(points);
}

void SettingsStore::LoadSettings(Uperemen& v, ChartControls& c)
{
    IniProfile ini;
    ini.loadFile(filePath_); // missing or unreadable: every key takes its default

    v.CommName = ini.readString(k::kPortSection, k::kPortName, QStringLiteral("COM1"));
    v.BaudRate = ini.readInteger(k::kPortSection, k::kBaudRate, 9600);
    v.ReadTotalTimeoutConstant = ini.readInteger(k::kPortSection, k::kReadTimeout, 200);
    v.AdrPribor = ini.readInteger(k::kDeviceSection, k::kAddress, 1);
    // The address shares the request's first byte with the access bits: 64 and above would
    // turn every key press into a write to the indicator's memory. Only 1..63 are addresses.
    if (v.AdrPribor < kMinAddress || v.AdrPribor > kMaxAddress)
        v.AdrPribor = 1;
    v.PollInterval = ini.readInteger(k::kProgramSection, k::kPollInterval, 320);

    v.TimeOnGraph = ini.readInteger(k::kChartSection, k::kTimeOnGraph, 7);
    v.ChartBottomAxisAutomatic = ini.readBool(k::kChartSection, k::kSmoothScroll, false);
    v.PeriodACP = ini.readFloat(k::kChartSection, k::kPeriod, kDefaultPeriodACP);
    // The period divides the window size and is the field's own range (0, 1000]; a value outside
    // it could only come from a damaged or hand-edited file.
    if (!std::isfinite(v.PeriodACP) || v.PeriodACP <= 0.0 || v.PeriodACP > kMaxPeriodACP)
        v.PeriodACP = kDefaultPeriodACP;
    v.Filter1 = ini.readInteger(k::kChartSection, k::kFilter1, 0);
    v.Filter2 = ini.readInteger(k::kChartSection, k::kFilter2, 0);
    v.Stab_bnd = ini.readInteger(k::kChartSection, k::kStabBnd, 0);
    v.GraphicLineWidth = ini.readInteger(k::kChartSection, k::kLineWidth, 1);
    c.weightPenWidth = v.GraphicLineWidth;
    v.GraphicShowPoints = ini.readBool(k::kChartSection, k::kShowPoints, false);
    c.weightShowPoints = v.GraphicShowPoints;

    v.ShowPanelInOut = ini.readBool(k::kPanelSection, k::kShowPanel, false);
    v.NumDInputOnGraphicMask =
        std::uint8_t(ini.readInteger(k::kInputsSection, k::kInputsMask, 0) & 0xFF);
    for (int n = 0; n < 5; ++n)
        v.DInputColor[n] = std::uint32_t(ini.readInteger(k::kInputsSection, k::inputColorKey(n + 1),
                                                         int(c.dinputTraceColor[n])));
    v.ZaderzhkaSignDInputs = ini.readInteger(k::kInputsSection, k::kInputsDelay, 0);
    v.ShowServiceInfo = ini.readBool(k::kServiceSection, k::kShowService, false);
    v.Checkweigher = ini.readBool(k::kServiceSection, k::kCheckweigher, false);
    if (v.Checkweigher)
        c.setFilter1Maximum(ChartControls::kFilter1MaxCheckweigher);

    c.dinputTraceColor = v.DInputColor;

    v.PeriodACPText = periodText(v.PeriodACP);
    c.setPeriodText(v.PeriodACPText);
    v.PeriodACPSec = v.PeriodACP * 0.001;

    c.setFilter1(v.Filter1);
    c.setFilter2(v.Filter2);
    c.setStabBnd(v.Stab_bnd);
    c.setSmoothScroll(v.ChartBottomAxisAutomatic);
    c.setTimeOnGraph(v.TimeOnGraph);
    v.WindowPoints = windowPoints(c.timeOnGraph(), v.PeriodACP);

    references_ = {v.TimeOnGraph, v.ChartBottomAxisAutomatic, v.PeriodACPText, v.Filter1, v.Filter2,
                   v.Stab_bnd};
}

SettingsWriteResult SettingsStore::SaveChartSettings(const ChartControls& c) const
{
    const ChartReferences& r = references_;
    const bool time = c.timeOnGraph() != r.TimeOnGraph;
    const bool smooth = c.smoothScroll() != r.ChartBottomAxisAutomatic;
    const bool period = c.periodText() != r.PeriodACPText;
    const bool f1 = c.filter1() != r.Filter1;
    const bool f2 = c.filter2() != r.Filter2;
    const bool stab = c.stabBnd() != r.Stab_bnd;
    if (!(time || smooth || period || f1 || f2 || stab)) {
        SettingsWriteResult untouched;
        untouched.filePath = filePath_;
        return untouched;
    }

    WriteBatch batch(filePath_);
    if (time)
        batch.integer(k::kChartSection, k::kTimeOnGraph, c.timeOnGraph());
    if (smooth)
        batch.boolean(k::kChartSection, k::kSmoothScroll, c.smoothScroll());
    if (period)
        batch.text(k::kChartSection, k::kPeriod, c.periodText());
    if (f1)
        batch.integer(k::kChartSection, k::kFilter1, c.filter1());
    if (f2)
        batch.integer(k::kChartSection, k::kFilter2, c.filter2());
    if (stab)
        batch.integer(k::kChartSection, k::kStabBnd, c.stabBnd());
    return batch.finish();
}

SettingsWriteResult SettingsStore::SaveDialogSettings(Uperemen& v, const DialogSelections& d,
                                                      ChartControls& c) const
{
    WriteBatch batch(filePath_);
    if (d.CommName != d.CommNameShown) {
        batch.text(k::kPortSection, k::kPortName, d.CommName);
        v.CommName = d.CommName;
    }
    v.BaudRate = d.BaudRate;
    batch.integer(k::kPortSection, k::kBaudRate, v.BaudRate);
    v.AdrPribor = d.AdrPribor;
    batch.integer(k::kDeviceSection, k::kAddress, v.AdrPribor);
    if (d.ShowPanelInOut != v.ShowPanelInOut) {
        v.ShowPanelInOut = d.ShowPanelInOut;
        batch.boolean(k::kPanelSection, k::kShowPanel, v.ShowPanelInOut);
    }
    if (d.mask() != v.NumDInputOnGraphicMask) {
        v.NumDInputOnGraphicMask = d.mask();
        batch.integer(k::kInputsSection, k::kInputsMask, v.NumDInputOnGraphicMask);
    }
    for (int n = 0; n < 5; ++n) {
        if (d.DInputColor[n] == v.DInputColor[n])
            continue;
        batch.integer(k::kInputsSection, k::inputColorKey(n + 1), int(d.DInputColor[n]));
        v.DInputColor[n] = d.DInputColor[n];
        c.dinputTraceColor[n] = d.DInputColor[n];
    }
    v.ZaderzhkaSignDInputs = d.ZaderzhkaSignDInputs;
    batch.integer(k::kInputsSection, k::kInputsDelay, v.ZaderzhkaSignDInputs);
    return batch.finish();
}

} // namespace korvel
