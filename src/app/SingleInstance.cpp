#include "app/SingleInstance.h"

#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QPointer>
#include <QStandardPaths>

#include <memory>

namespace voltmere {

namespace {

constexpr int connectTimeoutMs = 1000;
constexpr int writeTimeoutMs = 2000;

} // namespace

SingleInstance::SingleInstance(QString socketPath, QObject *parent)
    : QObject(parent)
    , m_socketPath(std::move(socketPath))
{
}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::defaultSocketPath()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty()) {
        folder = QDir::tempPath();
    }
    return QDir(folder).filePath(QStringLiteral("voltmere.socket"));
}

QStringList SingleInstance::urlsFromArguments(const QStringList &arguments)
{
    QStringList urls;
    // The first argument is the program itself.
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        if (arguments.at(i).startsWith(QLatin1String("voltmere:"), Qt::CaseInsensitive)) {
            urls.append(arguments.at(i));
        }
    }
    return urls;
}

SingleInstance::Role SingleInstance::claim(const QStringList &urls)
{
    QDir().mkpath(QFileInfo(m_socketPath).absolutePath());
    // Two launches at the same moment must not both decide they are first
    // (the second would delete the first one's socket): decide under a lock.
    QLockFile lock(m_socketPath + QStringLiteral(".lock"));
    lock.setStaleLockTime(10000);
    const bool locked = lock.tryLock(5000);
    if (handOver(urls)) {
        return Role::handedOver;
    }
    if (!locked) {
        return Role::standalone;
    }
    return listen() ? Role::primary : Role::standalone;
}

bool SingleInstance::handOver(const QStringList &urls)
{
    QLocalSocket socket;
    socket.connectToServer(m_socketPath);
    if (!socket.waitForConnected(connectTimeoutMs)) {
        return false;
    }
    QByteArray payload;
    for (const QString &url : urls) {
        // A line break inside an address would split it in two on the other
        // side; such an address is not a valid one anyway.
        if (!url.contains(QLatin1Char('\n'))) {
            payload += url.toUtf8() + '\n';
        }
    }
    if (!payload.isEmpty()) {
        socket.write(payload);
        if (!socket.waitForBytesWritten(writeTimeoutMs)) {
            return false;
        }
    }
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState) {
        socket.waitForDisconnected(writeTimeoutMs);
    }
    return true;
}

bool SingleInstance::listen()
{
    // Nobody answered, so a socket file left there belongs to a program that
    // ended without cleaning up.
    QLocalServer::removeServer(m_socketPath);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(m_socketPath)) {
        delete m_server;
        m_server = nullptr;
        return false;
    }
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::acceptConnections);
    return true;
}

void SingleInstance::acceptConnections()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        auto buffer = std::make_shared<QByteArray>();
        connect(socket, &QLocalSocket::readyRead, socket, [socket, buffer] { *buffer += socket->readAll(); });
        connect(socket, &QLocalSocket::disconnected, this, [this, socket, buffer] {
            *buffer += socket->readAll();
            socket->deleteLater();
            QStringList urls;
            for (const QByteArray &line : buffer->split('\n')) {
                if (!line.isEmpty()) {
                    urls.append(QString::fromUtf8(line));
                }
            }
            if (!urls.isEmpty()) {
                Q_EMIT urlsReceived(urls);
            }
        });
    }
}

} // namespace voltmere
