#include "memory/MemoryArea.h"

#include "link/DeviceMap.h"

namespace korvel {

int MemoryArea::bytes() const
{
    return pages() * MEM_PAGE_SIZE;
}

MemoryArea MemoryArea::eeprom()
{
    return {QStringLiteral("EEPROM"), MEM_EEPROM_FIRST_PAGE,
            MEM_EEPROM_FIRST_PAGE + MEM_EEPROM_PAGES, false};
}

MemoryArea MemoryArea::fm()
{
    return {QStringLiteral("FM"), MEM_FM_FIRST_PAGE, MEM_FM_FIRST_PAGE + MEM_FM_PAGES, true};
}

MemoryArea MemoryArea::fromName(const QString& name)
{
    return name == QStringLiteral("FM") ? fm() : eeprom();
}

} // namespace korvel
