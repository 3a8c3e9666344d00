// The entry: one running copy per executable file, then the main window and the event loop.
#include "app/CommandLine.h"
#include "app/MainWindow.h"
#include "app/SingleInstance.h"
#include "app/TerminationSignals.h"
#include "panel/SvgPicture.h"
#include "ui/HintHidePause.h"

#include <QApplication>
#include <QIcon>
#include <QMessageBox>

#include <exception>
#include <optional>

namespace {
const QString kApplicationTitle = QStringLiteral("Korvel 1X-3X");
}

int main(int argc, char** argv)
{
    if (const std::optional<int> answered = korvel::CommandLine::run(argc, argv))
        return *answered;

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("korvel"));
    // Desktops match the running window to the menu entry korvel.desktop (and its icon).
    QGuiApplication::setDesktopFileName(QStringLiteral("korvel"));
    // The 2x rendering where there is no SVG: the window list and the task bar scale it down.
    QApplication::setWindowIcon(
        QIcon(korvel::ArtFileForThisBuild(QStringLiteral(":/art/icon/korvel.svg"), 2)));

    korvel::SingleInstance instance(
        korvel::SingleInstance::keyFor(QCoreApplication::applicationFilePath()));
    if (instance.handOverToRunningCopy())
        return 0;
    // Lost a race with a copy started at the same moment: that one runs, this one hands over.
    if (!instance.listen() && instance.handOverToRunningCopy())
        return 0;

    try {
        korvel::TMainFormTestIndKorvel window;
        korvel::HintHidePause::install();
        // The application's title goes where X11 taskbars and icon boxes read it, the window's
        // icon name; as the application display name Qt would append it to the window title.
        window.setWindowIconText(kApplicationTitle);
        QObject::connect(&instance, &korvel::SingleInstance::restoreRequested, &window,
                         &korvel::TMainFormTestIndKorvel::restoreFromMinimized);
        korvel::TerminationSignals termination;
        QObject::connect(&termination, &korvel::TerminationSignals::terminationRequested, &window,
                         &QWidget::close);
        window.show();
        return QApplication::exec();
    } catch (const std::exception& e) {
        QMessageBox::critical(nullptr, kApplicationTitle, QString::fromLocal8Bit(e.what()));
        return 1;
    }
}
