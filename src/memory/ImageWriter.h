#pragma once
// The memory image file as written: a plain 8-bit text without header or checksum. Each page
// takes 17 lines, 16 of 16 bytes ("%02X " each, so 48 characters ending in a space) and an
// empty one; every line ends with CR LF. An EEPROM image is 136 lines / 6416 characters, an FM
// image 2040 lines / 96240 characters.
#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>

class QIODevice;

namespace korvel {

// The 17 lines of one page (256 bytes, offset 0 first).
QStringList FormatImagePage(const std::uint8_t* page);

// The file's bytes: every line followed by CR LF.
QByteArray ImageFileText(const QStringList& lines);

// Writes the lines to an open device; false when the device took less than all of it.
bool WriteImageText(QIODevice& device, const QStringList& lines);

// Replaces `path` with the lines in one step, so the file that was there stays whole until the
// new one is complete. Empty on success, else why not (the system's error text).
QString SaveImageFile(const QString& path, const QStringList& lines);

} // namespace korvel
