#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QLocalServer;

namespace voltmere {

// One running program per user. The first launch listens on a local socket in
// the user's runtime folder; a later launch connects, hands over the
// "voltmere:" addresses it was given (one per line, UTF-8) and ends. Main
// thread only.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    enum class Role {
        primary,    // this process is the one instance and now listens
        handedOver, // another instance runs and has received the addresses
        standalone, // neither listening nor handing over worked; run alone
    };

    explicit SingleInstance(QString socketPath = defaultSocketPath(), QObject *parent = nullptr);
    ~SingleInstance() override;

    // Decides this process's role; call once, before the event loop runs.
    Role claim(const QStringList &urls);

    const QString &socketPath() const { return m_socketPath; }

    // "$XDG_RUNTIME_DIR/voltmere.socket" (Qt's runtime location for the user).
    static QString defaultSocketPath();
    // The addresses among a launch's arguments, in order.
    static QStringList urlsFromArguments(const QStringList &arguments);

Q_SIGNALS:
    // Addresses another launch handed over, in the order it was given them.
    void urlsReceived(const QStringList &urls);

private:
    bool handOver(const QStringList &urls);
    bool listen();
    void acceptConnections();

    QString m_socketPath;
    QLocalServer *m_server = nullptr;
};

} // namespace voltmere
