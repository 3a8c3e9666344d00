#include "HintHidePause.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

namespace korvel {

void HintHidePause::install()
{
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr || app->findChild<HintHidePause*>(QString(), Qt::FindDirectChildrenOnly))
        return;
    app->installEventFilter(new HintHidePause(app));
}

bool HintHidePause::eventFilter(QObject* watched, QEvent* event)
{
    // A hint request travels from the widget under the mouse up through its parents until one
    // has a hint, and passes here for each of them first.
    if (event->type() == QEvent::ToolTip && watched->isWidgetType()) {
        auto* widget = static_cast<QWidget*>(watched);
        if (widget->toolTipDuration() < 0)
            widget->setToolTipDuration(kHintHidePauseMs);
    }
    return false;
}

} // namespace korvel
