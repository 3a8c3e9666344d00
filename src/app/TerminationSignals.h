#pragma once
#include <QObject>

class QSocketNotifier;

namespace korvel {

// Turns SIGTERM, SIGINT and SIGHUP into a Qt signal on the GUI thread, so that a session
// logout or a Ctrl+C in the terminal closes the window the normal way (keyboard handed
// back to the indicator, port closed, settings saved) instead of killing the process.
// On Windows it never fires.
class TerminationSignals : public QObject
{
    Q_OBJECT
public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

signals:
    void terminationRequested();

private:
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace korvel
