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
// Bytes 0x00..0x7F are ASCII. Byte 0x98 has no character in the code page; it is taken as the
// C1 control U+0098 both ways, as ICU (behind the Linux Qt's converters) takes it, so that every
// byte survives a read and a write unchanged and the Linux build reads files as it did before.
// A character the code page lacks encodes as '?' (one '?' for a character outside the Basic
// Multilingual Plane, a surrogate pair).

QString DecodeCp1251(QByteArrayView bytes);

// Unmappable characters become '?'; when `exact` is given it says whether there were none.
QByteArray EncodeCp1251(QStringView text, bool* exact = nullptr);

} // namespace korvel
