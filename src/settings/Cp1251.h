#pragma once
#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace korvel {

// Windows-1251, the code page of every text file the program reads and writes (the settings
// file, chart files, memory images). The program carries its own table instead of asking Qt for
// a converter: a Qt built without ICU has none, and the files must come out the same whichever
// Qt the program runs on.
//
// Bytes 0x00..0x7F are ASCII. Byte 0x98 has no character in the code page: it decodes to
// U+FFFD (the replacement character), which, like every character the code page lacks, encodes
// as '?'. A character outside the Basic Multilingual Plane (a surrogate pair) is one '?'.

QString DecodeCp1251(QByteArrayView bytes);

// Unmappable characters become '?'; when `exact` is given it says whether there were none.
QByteArray EncodeCp1251(QStringView text, bool* exact = nullptr);

} // namespace korvel
