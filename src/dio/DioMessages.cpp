#include "dio/DioMessages.h"

#include "ui/MessagePopup.h"

#include <algorithm>

namespace korvel {

namespace {

QString failureText(OutputFailure failure)
{
    QString text = TFormMessage::defaultText();
    if (failure == OutputFailure::BlockNotRestored)
        text += QStringLiteral("\nКонфигурация выходов не восстановлена.");
    return text;
}

QString notHandedBack(OutputFailure failure, const QString& notDone)
{
    return failureText(failure) + QStringLiteral("\nВыходы не возвращены прибору,\n") + notDone;
}

} // namespace

PopupMessage OutputFailureMessage(OutputFailure failure)
{
    if (failure != OutputFailure::BlockNotRestored)
        return {TFormMessage::defaultText()}; // the design's popup, at its own size
    return FittedMessage(failureText(failure));
}

PopupMessage SettingsKeptMessage(OutputFailure failure)
{
    return FittedMessage(notHandedBack(failure, QStringLiteral("настройки связи не изменены.")));
}

PopupMessage TransferNotStartedMessage(OutputFailure failure)
{
    return FittedMessage(notHandedBack(failure, QStringLiteral("обмен с памятью не начат.")));
}

} // namespace korvel
