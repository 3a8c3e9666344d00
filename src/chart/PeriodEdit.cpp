#include "chart/PeriodEdit.h"

#include "chart/core/PeriodField.h"

#include <QKeyEvent>

namespace korvel {

PeriodEdit::PeriodEdit(QWidget* parent) : QLineEdit(parent)
{
}

void PeriodEdit::keyPressEvent(QKeyEvent* event)
{
    const QString typed = event->text();
    // Keys without a character (arrows, Delete, Home) and shortcuts edit as usual.
    const bool character = !typed.isEmpty() && typed.front().isPrint() &&
                           !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
    if (!character) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    QString text = this->text();
    if (hasSelectedText())
        text.remove(selectionStart(), selectedText().size());
    const PeriodField::Key key = PeriodField::filterKey(typed, text);
    if (key.accept)
        insert(key.text);
    event->accept();
}

void PeriodEdit::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    emit left();
}

} // namespace korvel
