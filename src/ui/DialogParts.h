#pragma once
#include <QRect>
#include <QString>

class QGroupBox;
class QWidget;

namespace korvel {

// A captioned group of a skinned dialog, in the dialogs' 12-pixel sans font, at its design place.
QGroupBox* MakeGroupBox(const char* name, const QString& title, const QRect& geometry,
                        QWidget* parent);

} // namespace korvel
