#include "dio/DioMessages.h"

#include "ui/MessagePopup.h"

#include <algorithm>

namespace korvel {

namespace {

constexpr int kLineHeight = 15; // the popup's 13-pixel font

PopupMessage fitted(const QString& text)
{
    PopupMessage m;
    m.text = text;
    m.extraWidth = TFormMessage::growthToFit(text, 0);
    m.okShift = m.extraWidth / 2;
    // The text starts at the label's top; OK sits 35 pixels below it at design size.
    const int lines = static_cast<int>(text.count(QLatin1Char('\n'))) + 1;
    m.extraHeight = std::max(0, kLineHeight * lines - 28);
    return m;
}

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
    return fitted(failureText(failure));
}

PopupMessage SettingsKeptMessage(OutputFailure failure)
{
    return fitted(notHandedBack(failure, QStringLiteral("настройки связи не изменены.")));
}

PopupMessage TransferNotStartedMessage(OutputFailure failure)
{
    return fitted(notHandedBack(failure, QStringLiteral("обмен с памятью не начат.")));
}

} // namespace korvel
