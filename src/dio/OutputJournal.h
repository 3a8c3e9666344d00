#pragma once
#include "link/DeviceMap.h"

#include <QDateTime>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>

namespace korvel {

// An indicator as its identification registers name it: model and serial number.
struct IndicatorIdentity
{
    int model = 0;
    QString serial; // as the version label shows it, e.g. "0507123"

    // From the four bytes of REG_IDENT: serial 3-digit group, model, serial 2-digit groups.
    static IndicatorIdentity fromIdent(const std::uint8_t* ident);
    // "KORVEL 03 № 0507123", for messages.
    QString text() const;
    bool operator==(const IndicatorIdentity&) const = default;
};

using OutputBlock = std::array<std::uint8_t, MEM_OUTPUT_CONFIG_COUNT>;

// What one journal holds: the indicator's own output block as it was before the PC took the
// outputs over, and where and when that was.
struct OutputJournalEntry
{
    IndicatorIdentity indicator;
    QString port;
    int address = 0;
    QDateTime time;
    OutputBlock block{};
};

// The output blocks of indicators whose outputs the PC holds, one small file per indicator
// (Windows-1251 INI text) in a folder of the program's. Taking the outputs over clears the
// block on the indicator; while the PC holds them the only other copy is in this process, and
// a crash, a kill or a power cut would lose it. So the block is stored here, on the medium,
// before the first zero goes out, and the file goes only once the block is back.
class OutputJournal
{
public:
    explicit OutputJournal(QString folder = QString()) : folder_(std::move(folder)) {}

    const QString& folder() const { return folder_; }
    void setFolder(QString folder) { folder_ = std::move(folder); }
    QString filePath(const IndicatorIdentity& indicator) const;

    // Atomic and durable: when this returns true the file is on the medium. The folder is
    // created if needed. False with *why set otherwise.
    bool store(const OutputJournalEntry& entry, QString* why = nullptr) const;
    // The journal of that indicator, if there is one that reads whole. A file that does not
    // read (damaged, edited by hand) is left where it is: nothing is guessed from it.
    std::optional<OutputJournalEntry> find(const IndicatorIdentity& indicator) const;
    bool remove(const IndicatorIdentity& indicator) const;
    // No journal of any indicator: the usual case, in which nothing needs to be asked of the
    // indicator at a connection.
    bool empty() const;

    // The file's text and its reading back, for tests and for find.
    static QByteArray format(const OutputJournalEntry& entry);
    static std::optional<OutputJournalEntry> parse(const QByteArray& bytes);

private:
    QString folder_;
};

} // namespace korvel
