#include "ui/seams/singleinstance.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QRegularExpression>

namespace tarnwick {

namespace {

const QByteArray kRequest = "activate\n";
const QByteArray kAnswer = "ok\n";

// The directory for the lock and the socket: the user's runtime directory where there is
// one, since it is private and emptied at log-out.
QString InstanceDir()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir()) {
        return runtime;
    }
    return QDir::tempPath();
}

QString UserName()
{
    if (const passwd* entry = getpwuid(getuid())) {
        return QString::fromLocal8Bit(entry->pw_name);
    }
    return QString::number(getuid());
}

} // namespace

CSingleInstance::CSingleInstance(const QString& key, QObject* parent) : QObject(parent), m_key(key)
{
    // The key becomes a file name.
    static const QRegularExpression unsafe(QStringLiteral("[^A-Za-z0-9._-]"));
    m_key.replace(unsafe, QStringLiteral("_"));
    if (m_key.isEmpty()) {
        m_key = QStringLiteral("tarnwick");
    }
}

CSingleInstance::~CSingleInstance()
{
    if (m_pServer) {
        m_pServer->close();
    }
    if (m_lockFd >= 0) {
        close(m_lockFd);
    }
}

QString CSingleInstance::DefaultKey()
{
    const QString key = qEnvironmentVariable("TARNWICK_INSTANCE_KEY");
    if (!key.isEmpty()) {
        return key;
    }
    QString exe = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    if (exe.isEmpty()) {
        exe = QStringLiteral("tarnwick");
    }
    return exe + QLatin1Char('-') + UserName();
}

QString CSingleInstance::LockPath() const
{
    return InstanceDir() + QLatin1Char('/') + m_key + QStringLiteral(".lock");
}

QString CSingleInstance::SocketPath() const
{
    return InstanceDir() + QLatin1Char('/') + m_key + QStringLiteral(".socket");
}

bool CSingleInstance::Acquire()
{
    if (m_bLocked) {
        return true;
    }
    const QByteArray path = QFile::encodeName(LockPath());
    // Without a runtime directory the file lies in the shared temporary directory, where a
    // planted symbolic link must not be followed.
    m_lockFd = open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (m_lockFd < 0) {
        return true;
    }
    if (flock(m_lockFd, LOCK_EX | LOCK_NB) == 0) {
        m_bLocked = true;
        return true;
    }
    const bool taken = errno == EWOULDBLOCK;
    close(m_lockFd);
    m_lockFd = -1;
    return !taken;
}

bool CSingleInstance::Listen()
{
    if (m_pServer) {
        return m_pServer->isListening();
    }
    m_pServer = new QLocalServer(this);
    m_pServer->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_pServer, &QLocalServer::newConnection, this, &CSingleInstance::OnNewConnection);
    // Only the lock holder may take the name over from a copy that died without cleaning up.
    if (m_bLocked) {
        QLocalServer::removeServer(SocketPath());
    }
    return m_pServer->listen(SocketPath());
}

void CSingleInstance::OnNewConnection()
{
    while (QLocalSocket* peer = m_pServer->nextPendingConnection()) {
        connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
        connect(peer, &QLocalSocket::readyRead, this, [this, peer] {
            if (!peer->canReadLine()) {
                // A request is one short line; anything longer is not from a copy of ours.
                if (peer->bytesAvailable() > kRequest.size()) {
                    peer->disconnectFromServer();
                }
                return;
            }
            if (peer->readLine(64) == kRequest) {
                emit activationRequested();
                peer->write(kAnswer);
                peer->flush();
            }
            peer->disconnectFromServer();
        });
    }
}

bool CSingleInstance::ActivateRunningCopy(int timeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(SocketPath());
    if (!socket.waitForConnected(timeoutMs)) {
        return false;
    }
    socket.write(kRequest);
    if (!socket.waitForBytesWritten(timeoutMs)) {
        return false;
    }
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(timeoutMs)) {
            return false;
        }
    }
    return socket.readLine(64) == kAnswer;
}

} // namespace tarnwick
