#pragma once
#include <QString>

namespace korvel {

// One of the indicator's two memory areas: a run of 256-byte pages, absolute page numbers,
// end exclusive. Both are read and written the same way; they differ in name, pages and how
// their progress bar is drawn.
struct MemoryArea
{
    QString name; // as the user sees it: "EEPROM" or "FM"
    int firstPage = 0;
    int endPage = 0;
    bool smoothBar = false;

    int pages() const { return endPage - firstPage; }
    int bytes() const;

    static MemoryArea eeprom();
    static MemoryArea fm();
    // "FM" gives the FM area; any other name the EEPROM area.
    static MemoryArea fromName(const QString& name);
};

// What the memory transfer is doing (the value of MemoryTransferMode); Idle while no transfer
// runs.
enum class TransferMode { Idle, Reading, Writing };

} // namespace korvel
