// CSingleInstance: at most one running copy per user and executable. The first copy holds an
// advisory lock on a per-user lock file for its whole life (the kernel drops it when the
// process ends, however it ends) and, once its window exists, listens on a local socket of
// the same name. A later start finds the lock taken, asks the running copy through that
// socket to bring its window to the front, and exits.
#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

namespace tarnwick {

class CSingleInstance : public QObject {
    Q_OBJECT

public:
    // `key` names the lock and the socket; DefaultKey() gives the usual one.
    explicit CSingleInstance(const QString& key, QObject* parent = nullptr);
    // Stops listening and releases the lock.
    ~CSingleInstance() override;
    CSingleInstance(const CSingleInstance&) = delete;
    CSingleInstance& operator=(const CSingleInstance&) = delete;

    // TARNWICK_INSTANCE_KEY when set (tests and parallel runs keep apart with it), otherwise
    // the executable's name and the user's name.
    [[nodiscard]] static QString DefaultKey();

    // Takes the lock. False when another copy holds it; true for the first copy, and also
    // when no lock file can be made at all (the program then runs as if it were the first).
    [[nodiscard]] bool Acquire();

    // First copy, window made: answers activation requests with activationRequested(). A
    // socket left behind by a copy that died is replaced.
    bool Listen();

    // Later copy: asks the running copy to come to the front and waits, at most
    // `timeoutMs`, for its answer. False when no running copy answered (its window does not
    // exist yet, or it is gone).
    bool ActivateRunningCopy(int timeoutMs = 3000);

    [[nodiscard]] QString LockPath() const;
    [[nodiscard]] QString SocketPath() const;

signals:
    void activationRequested();

private:
    void OnNewConnection();

    QString m_key;
    int m_lockFd = -1;
    bool m_bLocked = false;
    QLocalServer* m_pServer = nullptr;
};

} // namespace tarnwick
