#include "WindowPlacement.h"

namespace korvel {

QPoint PlaceOnScreen(QSize window, QRect screen)
{
    return {screen.left() + (screen.width() - window.width()) / 2,
            screen.top() + (screen.height() - window.height()) / 3};
}

QPoint PlaceOverWindow(QRect mainWindow, QSize window, QRect screen)
{
    int left = mainWindow.left() + (mainWindow.width() - window.width()) / 2;
    int top = mainWindow.top() + (mainWindow.height() - window.height()) / 3;
    // The order matters for windows larger than the screen: the far edges win.
    if (left < screen.left())
        left = screen.left();
    if (top < screen.top())
        top = screen.top();
    if (left > screen.left() + screen.width() - window.width())
        left = screen.left() + screen.width() - window.width();
    if (top > screen.top() + screen.height() - window.height() - kScreenBottomReserve)
        top = screen.top() + screen.height() - window.height() - kScreenBottomReserve;
    return {left, top};
}

} // namespace korvel
