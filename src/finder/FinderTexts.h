#pragma once
#include "link/SerialPort.h"

#include <QString>
#include <QStringList>

namespace korvel {

struct FoundIndicator;

// The texts of the search dialog (no widgets).
namespace FinderTexts {

// "ttyUSB0, 9600 бит/с, адрес 37"
QString progress(const QString& port, int baud, int address);
// "ttyUSB0, 9600 бит/с, адрес 37, KORVEL 21, № 0402017"
QString resultRow(const FoundIndicator& found);
// What follows a port's name in the list when it would not open: " — порт занят".
QString unopenedNote(PortOpenStatus status);
// The popup when nothing answered: which ports, speeds and addresses were tried.
QString nothingFound(const QStringList& ports);

} // namespace FinderTexts

} // namespace korvel
