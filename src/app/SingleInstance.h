#pragma once
#include <QObject>
#include <QString>

class QLocalServer;

namespace korvel {

// One running copy per executable file: a second start of the same file asks the first to
// come to the front and ends; a copy in another folder has another key and runs on its own.
class SingleInstance : public QObject
{
    Q_OBJECT
public:
    // key: usually keyFor(the canonical path of the running executable).
    explicit SingleInstance(const QString& key, QObject* parent = nullptr);
    ~SingleInstance() override;

    // fileNameCase: whether the file system tells names apart by letter case. Where it does
    // not (Windows), "C:\Tools\KORVEL.EXE" and "c:\tools\korvel.exe" are the same program.
    static QString keyFor(const QString& executablePath,
                          Qt::CaseSensitivity fileNameCase = platformFileNameCase());
    static constexpr Qt::CaseSensitivity platformFileNameCase()
    {
#ifdef Q_OS_WIN
        return Qt::CaseInsensitive;
#else
        return Qt::CaseSensitive;
#endif
    }

    // True when another copy answered and took the "restore" request: this copy should end.
    bool handOverToRunningCopy(int timeoutMs = 1000);
    // Starts answering later copies. False when the name cannot be taken, in particular when
    // a copy started at nearly the same moment already holds it (hand over to it then).
    bool listen();

signals:
    void restoreRequested();

private:
    void onConnection();

    QString key_;
    QLocalServer* server_ = nullptr;
};

} // namespace korvel
