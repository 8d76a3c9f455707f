#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

class QLocalSocket;
class QSocketNotifier;

namespace voltmere {

// One running program per user. The first launch listens on a local socket in
// the user's runtime folder; a later launch connects, hands over the
// "voltmere:" addresses it was given (one per line, UTF-8) and ends. Main
// thread only.
//
// Anything that can connect can misbehave, so the listener bounds what a
// client may hold (connections, bytes, time) and never stops listening on its
// own. The socket lives only in a folder that this user owns and nobody else
// may enter; without one the program runs alone and says so.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    enum class Role {
        primary, // this process is the one instance and now listens
        handedOver, // another instance runs and has received the addresses
        standalone, // neither listening nor handing over worked; run alone
    };

    // Clients served at once; a new one pushes out the one here longest.
    static constexpr int maxClients = 16;
    // One launch's addresses; a connection that sends more is dropped unread.
    static constexpr qint64 maxMessageBytes = 8 * 1024;
    // A client that neither finishes nor leaves within this is dropped.
    static constexpr int idleTimeoutMs = 5000;

    explicit SingleInstance(QString socketPath = defaultSocketPath(), QObject *parent = nullptr);
    ~SingleInstance() override;

    // Decides this process's role; call once, before the event loop runs.
    Role claim(const QStringList &urls);

    const QString &socketPath() const { return m_socketPath; }
    // Clients connected right now.
    int clientCount() const { return m_clients; }

    // "$XDG_RUNTIME_DIR/voltmere.socket" (Qt's runtime location for the
    // user), or empty when there is no such folder: never a shared one.
    static QString defaultSocketPath();
    // Why `folder` cannot hold the socket: it must be a real folder (not a
    // link) owned by this user with no access for anyone else. Creates it
    // (mode 0700) when missing. Absent when it is fine.
    static std::optional<QString> privateFolderProblem(const QString &folder);
    // The addresses among a launch's arguments, in order.
    static QStringList urlsFromArguments(const QStringList &arguments);

Q_SIGNALS:
    // Addresses another launch handed over, in the order it was given them.
    void urlsReceived(const QStringList &urls);

private:
    bool handOver(const QStringList &urls);
    bool listen();
    void acceptConnections();
    void serve(QLocalSocket *socket);
    void drop(QLocalSocket *socket);
    bool someoneListens() const;

    QString m_socketPath;
    int m_listenFd = -1;
    QSocketNotifier *m_notifier = nullptr;
    bool m_acceptPaused = false;
    int m_clients = 0;
    std::vector<QLocalSocket *> m_served; // oldest first
};

} // namespace voltmere
