#pragma once
// What the transfer dialog shows while it works: its captions and progress texts.
#include "memory/MemoryArea.h"

#include <QLocale>
#include <QString>

namespace korvel {

QString ReadCaption(const MemoryArea& area);  // "Чтение данных из EEPROM"
QString WriteCaption(const MemoryArea& area); // "Запись данных в EEPROM"
QString PrepareCaption();                     // "Подготовка данных"
QString VerifyCaption();                      // "Проверка записи"

// "37,5% (Page = 03h)": how far the area is done at `offset` bytes into `page`, one decimal
// in the locale's notation, the page as two upper-case hexadecimal digits.
QString PageProgressText(const MemoryArea& area, int page, int offset,
                         const QLocale& locale = QLocale());
// "100% (Page = 07h)": after the last page of a write.
QString WriteFinishedText(const MemoryArea& area);
// "37 %": preparing a write, `index` characters of `length` converted.
QString PreparePercentText(qsizetype index, qsizetype length);

} // namespace korvel
