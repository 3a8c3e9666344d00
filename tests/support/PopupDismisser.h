#pragma once
// Clicks OK on every message popup that comes up and keeps its text, so code that shows the
// modal popup can run in a test.
#include "ui/MessagePopup.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QStringList>
#include <QTimer>

namespace korvel::test {

class PopupDismisser : public QObject
{
public:
    PopupDismisser()
    {
        connect(&timer_, &QTimer::timeout, this, [this] {
            auto* form = qobject_cast<TFormMessage*>(QApplication::activeModalWidget());
            if (form == nullptr || form == last_)
                return;
            last_ = form;
            texts << form->laMessage()->text();
            form->BitBtnOK()->click();
        });
        timer_.start(20);
    }
    QStringList texts;

private:
    QTimer timer_;
    QPointer<TFormMessage> last_;
};

} // namespace korvel::test
