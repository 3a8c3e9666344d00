#include "dio/DioMessages.h"

#include "dio/OutputJournal.h"
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

PopupMessage OutputFailureMessage(OutputFailure failure, const QString& journalFile,
                                  const QString& why)
{
    if (failure == OutputFailure::JournalNotStored)
        return FittedMessage(QStringLiteral("Копия конфигурации выходов не сохранена:\n%1\n%2\n"
                                            "Выходы не взяты.")
                                 .arg(journalFile, why));
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

PopupMessage StripKeptMessage(OutputFailure failure)
{
    return FittedMessage(failureText(failure) +
                         QStringLiteral("\nВыходы не возвращены прибору и остаются за ПК,\n"
                                        "настройки не изменены."));
}

QString OutputsLeftQuestion()
{
    return QStringLiteral("Выходы прибора не возвращены и остаются за ПК.\n"
                          "Их конфигурация будет восстановлена, когда этот прибор\n"
                          "будет подключён снова.\n\nПродолжить?");
}

PopupMessage OutputsLeftAtExitMessage(OutputFailure failure)
{
    return FittedMessage(failureText(failure) +
                         QStringLiteral("\nВыходы не возвращены прибору.\n"
                                        "Их конфигурация будет восстановлена\n"
                                        "при следующем подключении прибора."));
}

PopupMessage OutputsRestoredMessage(const OutputJournalEntry& entry)
{
    return FittedMessage(QStringLiteral("Конфигурация выходов прибора\n%1\n"
                                        "восстановлена после прерванной работы.")
                             .arg(entry.indicator.text()));
}

} // namespace korvel
