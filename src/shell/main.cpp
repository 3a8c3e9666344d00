// The entry: one running copy per executable file, then the main window and the event loop.
#include "shell/MainWindow.h"
#include "shell/SingleInstance.h"
#include "shell/TerminationSignals.h"

#include <QApplication>
#include <QMessageBox>

#include <exception>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("korvel"));

    korvel::SingleInstance instance(
        korvel::SingleInstance::keyFor(QCoreApplication::applicationFilePath()));
    if (instance.handOverToRunningCopy())
        return 0;
    // Lost a race with a copy started at the same moment: that one runs, this one hands over.
    if (!instance.listen() && instance.handOverToRunningCopy())
        return 0;

    try {
        korvel::TMainFormTestIndKorvel window;
        QApplication::setApplicationDisplayName(QStringLiteral("Korvel 1X-3X"));
        QObject::connect(&instance, &korvel::SingleInstance::restoreRequested, &window,
                         &korvel::TMainFormTestIndKorvel::restoreFromMinimized);
        korvel::TerminationSignals termination;
        QObject::connect(&termination, &korvel::TerminationSignals::terminationRequested, &window,
                         &QWidget::close);
        window.show();
        return QApplication::exec();
    } catch (const std::exception& e) {
        QMessageBox::critical(nullptr, QStringLiteral("Korvel 1X-3X"),
                              QString::fromLocal8Bit(e.what()));
        return 1;
    }
}
