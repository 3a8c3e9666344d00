#include "dio/OutputJournal.h"

#include "settings/IniProfile.h"
#include "settings/ReplaceFile.h"

#include <QDir>
#include <QFile>
#include <QIODevice>
#include <QStringList>

namespace korvel {

namespace {

const QString kSection = QStringLiteral("Выходы прибора");
const QString kModel = QStringLiteral("Модель");
const QString kSerial = QStringLiteral("Номер");
const QString kPort = QStringLiteral("Порт");
const QString kAddress = QStringLiteral("Адрес");
const QString kTime = QStringLiteral("Время");
const QString kBlock = QStringLiteral("Конфигурация выходов");
const QString kTimeFormat = QStringLiteral("dd.MM.yyyy HH:mm:ss");
const QString kFileSuffix = QStringLiteral(".ini");

} // namespace

IndicatorIdentity IndicatorIdentity::fromIdent(const std::uint8_t* ident)
{
    return {int(ident[1]), QString::asprintf("%02u%02u%03u", unsigned(ident[2]),
                                             unsigned(ident[3]), unsigned(ident[0]))};
}

QString IndicatorIdentity::text() const
{
    return QStringLiteral("KORVEL %1 № %2").arg(model, 2, 10, QLatin1Char('0')).arg(serial);
}

QString OutputJournal::filePath(const IndicatorIdentity& indicator) const
{
    return QDir(folder_).filePath(QStringLiteral("KORVEL%1-%2")
                                      .arg(indicator.model, 2, 10, QLatin1Char('0'))
                                      .arg(indicator.serial) +
                                  kFileSuffix);
}

QByteArray OutputJournal::format(const OutputJournalEntry& e)
{
    QStringList bytes;
    for (std::uint8_t b : e.block)
        bytes << QString::number(b);
    IniProfile ini;
    ini.writeInteger(kSection, kModel, e.indicator.model);
    ini.writeString(kSection, kSerial, e.indicator.serial);
    // A port name the file cannot hold (outside Windows-1251) is only left out: it is there
    // for the technician's eyes, the indicator is found by model and number.
    ini.writeString(kSection, kPort, e.port);
    ini.writeInteger(kSection, kAddress, e.address);
    ini.writeString(kSection, kTime, e.time.toString(kTimeFormat));
    ini.writeString(kSection, kBlock, bytes.join(QLatin1Char(',')));
    return ini.toBytes();
}

std::optional<OutputJournalEntry> OutputJournal::parse(const QByteArray& bytes)
{
    const IniProfile ini(bytes);
    OutputJournalEntry e;
    const auto model = ini.value(kSection, kModel);
    const auto serial = ini.value(kSection, kSerial);
    const auto block = ini.value(kSection, kBlock);
    if (!model || !serial || !block || serial->isEmpty())
        return std::nullopt;
    const std::optional<int> modelNumber = IniProfile::parseInteger(*model);
    if (!modelNumber || *modelNumber < 0 || *modelNumber > 255)
        return std::nullopt;
    e.indicator = {*modelNumber, *serial};
    const QStringList parts = block->split(QLatin1Char(','));
    if (parts.size() != int(e.block.size()))
        return std::nullopt;
    for (std::size_t i = 0; i < e.block.size(); ++i) {
        const std::optional<int> b = IniProfile::parseInteger(parts[int(i)].trimmed());
        if (!b || *b < 0 || *b > 255)
            return std::nullopt;
        e.block[i] = static_cast<std::uint8_t>(*b);
    }
    e.port = ini.readString(kSection, kPort, QString());
    e.address = ini.readInteger(kSection, kAddress, 0);
    e.time = QDateTime::fromString(ini.readString(kSection, kTime, QString()), kTimeFormat);
    return e;
}

bool OutputJournal::store(const OutputJournalEntry& entry, QString* why) const
{
    if (!QDir().mkpath(folder_)) {
        if (why)
            *why = QStringLiteral("папка не создаётся");
        return false;
    }
    const QByteArray bytes = format(entry);
    return ReplaceFileDurably(
        filePath(entry.indicator),
        [&bytes](QIODevice& device) { return device.write(bytes) == bytes.size(); }, why);
}

std::optional<OutputJournalEntry> OutputJournal::find(const IndicatorIdentity& indicator) const
{
    QFile file(filePath(indicator));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    // A journal is a few hundred bytes; anything much larger is not one of ours.
    std::optional<OutputJournalEntry> e = parse(file.read(64 * 1024));
    // The name says whose it is; a file copied under another indicator's name is not used.
    if (!e || !(e->indicator == indicator))
        return std::nullopt;
    return e;
}

bool OutputJournal::remove(const IndicatorIdentity& indicator) const
{
    const QString path = filePath(indicator);
    return !QFile::exists(path) || QFile::remove(path);
}

bool OutputJournal::empty() const
{
    if (folder_.isEmpty())
        return true;
    return QDir(folder_)
        .entryList({QStringLiteral("*") + kFileSuffix}, QDir::Files)
        .isEmpty();
}

} // namespace korvel
