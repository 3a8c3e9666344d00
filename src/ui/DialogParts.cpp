#include "ui/DialogParts.h"

#include "ui/UiFonts.h"

#include <QGroupBox>

namespace korvel {

QGroupBox* MakeGroupBox(const char* name, const QString& title, const QRect& geometry,
                        QWidget* parent)
{
    auto* group = new QGroupBox(title, parent);
    group->setObjectName(QString::fromLatin1(name));
    group->setGeometry(geometry);
    group->setFont(SansFont(12));
    return group;
}

} // namespace korvel
