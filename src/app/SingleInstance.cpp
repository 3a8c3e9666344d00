#include "app/SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#endif

namespace korvel {

namespace {
const QByteArray kRestore = QByteArrayLiteral("restore\n");
const QByteArray kDone = QByteArrayLiteral("ok\n");
} // namespace

SingleInstance::SingleInstance(const QString& key, QObject* parent) : QObject(parent), key_(key)
{
}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::keyFor(const QString& executablePath, Qt::CaseSensitivity fileNameCase)
{
    QString canonical = QFileInfo(executablePath).canonicalFilePath();
    if (canonical.isEmpty())
        canonical = QFileInfo(executablePath).absoluteFilePath();
    if (fileNameCase == Qt::CaseInsensitive)
        canonical = canonical.toLower();
    const QByteArray hash =
        QCryptographicHash::hash(canonical.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    return QStringLiteral("korvel-") + QString::fromLatin1(hash);
}

bool SingleInstance::handOverToRunningCopy(int timeoutMs)
{
#ifdef Q_OS_WIN
    // Windows lets only the foreground process bring a window to the front: this copy, just
    // started by the user, passes that right on to the running copy it wakes.
    ::AllowSetForegroundWindow(ASFW_ANY);
#endif
    QLocalSocket socket;
    socket.connectToServer(key_);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    socket.write(kRestore);
    if (!socket.waitForBytesWritten(timeoutMs))
        return false;
    // Wait until the first copy has handled the request, as a sent window message would.
    while (socket.bytesAvailable() < kDone.size()) {
        if (!socket.waitForReadyRead(timeoutMs))
            break;
    }
    return true;
}

bool SingleInstance::listen()
{
    // Looking for a live copy and taking the name must be one step: two copies started at
    // the same moment would otherwise both find nobody and both take the name (the server
    // replaces an existing socket file silently), leaving the first copy running where
    // nobody can reach it. The lock file makes the later copy wait and then find the first.
    QLockFile lock(QDir(QDir::tempPath()).filePath(key_ + QStringLiteral(".lock")));
    if (!lock.tryLock(5000))
        return false;

    QLocalSocket probe;
    probe.connectToServer(key_);
    if (probe.waitForConnected(200))
        return false;

    // Nobody answers: a socket file left behind by a copy that crashed may be taken.
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(key_)) {
        QLocalServer::removeServer(key_);
        if (!server_->listen(key_))
            return false;
    }
    connect(server_, &QLocalServer::newConnection, this, &SingleInstance::onConnection);
    return true;
}

void SingleInstance::onConnection()
{
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine())
                return;
            if (socket->readLine() == kRestore) {
                emit restoreRequested();
                socket->write(kDone);
                socket->flush();
            }
        });
    }
}

} // namespace korvel
