#include "shell/SingleInstance.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>

namespace korvel {

namespace {
const QByteArray kRestore = QByteArrayLiteral("restore\n");
const QByteArray kDone = QByteArrayLiteral("ok\n");
} // namespace

SingleInstance::SingleInstance(const QString& key, QObject* parent) : QObject(parent), key_(key) {}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::keyFor(const QString& executablePath)
{
    QString canonical = QFileInfo(executablePath).canonicalFilePath();
    if (canonical.isEmpty())
        canonical = QFileInfo(executablePath).absoluteFilePath();
    const QByteArray hash =
        QCryptographicHash::hash(canonical.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    return QStringLiteral("korvel-") + QString::fromLatin1(hash);
}

bool SingleInstance::handOverToRunningCopy(int timeoutMs)
{
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
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(key_)) {
        // A socket file left behind by a copy that crashed: nobody answers on it, so take it.
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
