// The settings file reader: any bytes load without harm, come back out unchanged, a key
// written changes that key alone, and the values the program takes from them stay in the
// ranges it relies on.
//
// Input: [which key to write][value length][value bytes][the rest: the file]
#include "settings/ChartControls.h"
#include "settings/IniProfile.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"
#include "settings/SettingsValues.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cmath>
#include <cstdlib>
#include <utility>
#include <vector>

namespace {

using namespace korvel;
namespace k = settings_keys;

void check(bool ok)
{
    if (!ok)
        std::abort();
}

const std::vector<std::pair<QString, QString>>& allKeys()
{
    static const std::vector<std::pair<QString, QString>> keys = {
        {k::kPortSection, k::kPortName},          {k::kPortSection, k::kBaudRate},
        {k::kPortSection, k::kReadTimeout},       {k::kDeviceSection, k::kAddress},
        {k::kProgramSection, k::kPollInterval},   {k::kChartSection, k::kTimeOnGraph},
        {k::kChartSection, k::kSmoothScroll},     {k::kChartSection, k::kPeriod},
        {k::kChartSection, k::kFilter1},          {k::kChartSection, k::kFilter2},
        {k::kChartSection, k::kStabBnd},          {k::kChartSection, k::kLineWidth},
        {k::kChartSection, k::kShowPoints},       {k::kPanelSection, k::kShowPanel},
        {k::kInputsSection, k::kInputsMask},      {k::kInputsSection, k::inputColorKey(1)},
        {k::kInputsSection, k::inputColorKey(5)}, {k::kInputsSection, k::kInputsDelay},
        {k::kServiceSection, k::kShowService},    {k::kServiceSection, k::kCheckweigher},
    };
    return keys;
}

const QString& scratchFile()
{
    static const QString path = QDir::temp().filePath(
        QStringLiteral("korvel-fuzz-settings-%1.ini").arg(QCoreApplication::applicationPid()));
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    const auto& keys = allKeys();
    const auto& [section, key] = keys[data[0] % keys.size()];
    const std::size_t valueLength = std::min<std::size_t>(data[1], size - 2);
    const QString value =
        QString::fromLatin1(reinterpret_cast<const char*>(data + 2), qsizetype(valueLength))
            .trimmed();
    const QByteArray file(reinterpret_cast<const char*>(data + 2 + valueLength),
                          qsizetype(size - 2 - valueLength));

    // Everything the file held survives a load and a save untouched.
    IniProfile profile(file);
    check(profile.toBytes() == file);
    check(!profile.isModified());

    // A write touches its own key only.
    std::vector<std::optional<QString>> before;
    for (const auto& [s, kk] : keys)
        before.push_back(profile.value(s, kk));
    if (profile.writeString(section, key, value)) {
        const IniProfile reread(profile.toBytes());
        check(reread.value(section, key) == value);
        for (std::size_t i = 0; i < keys.size(); ++i)
            if (keys[i] != std::make_pair(section, key))
                check(reread.value(keys[i].first, keys[i].second) == before[i]);
    } else {
        check(profile.toBytes() == file);
    }

    // What the program takes from such a file.
    {
        QFile out(scratchFile());
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        out.write(file);
    }
    SettingsStore store(scratchFile());
    Uperemen values;
    ChartControls controls;
    store.LoadSettings(values, controls);
    check(values.AdrPribor >= 1 && values.AdrPribor <= 63);
    check(std::isfinite(values.PeriodACP) && values.PeriodACP > 0 && values.PeriodACP <= 1000);
    check(values.WindowPoints >= 0);
    check(controls.timeOnGraph() >= ChartControls::kTimeOnGraphMin &&
          controls.timeOnGraph() <= ChartControls::kTimeOnGraphMax);
    return 0;
}
