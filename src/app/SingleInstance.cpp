#include "app/SingleInstance.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QLockFile>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

namespace voltmere {

namespace {

constexpr int connectTimeoutMs = 1000;
constexpr const char *droppedProperty = "voltmereDropped";
constexpr int writeTimeoutMs = 2000;
constexpr int listenBacklog = 64;
constexpr int handOverAttempts = 5;
constexpr unsigned long handOverRetryMs = 300;
// After running out of descriptors, the pause before accepting again; the
// waiting connections stay queued meanwhile.
constexpr int acceptRetryMs = 200;

} // namespace

SingleInstance::SingleInstance(QString socketPath, QObject *parent)
    : QObject(parent)
    , m_socketPath(std::move(socketPath))
{
}

SingleInstance::~SingleInstance()
{
    if (m_listenFd >= 0) {
        delete m_notifier;
        ::close(m_listenFd);
        QFile::remove(m_socketPath);
    }
}

QString SingleInstance::defaultSocketPath()
{
    // Qt gives no folder when XDG_RUNTIME_DIR is unset and the fallback it
    // would use belongs to someone else. The temporary folder is no answer:
    // another user could listen there and receive our addresses.
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty()) {
        return {};
    }
    return QDir(folder).filePath(QStringLiteral("voltmere.socket"));
}

std::optional<QString> SingleInstance::privateFolderProblem(const QString &folder)
{
    const QByteArray path = QFile::encodeName(folder);
    if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST) {
        return QStringLiteral("cannot create %1: %2").arg(folder, QString::fromLocal8Bit(std::strerror(errno)));
    }
    struct stat info { };
    if (::lstat(path.constData(), &info) != 0) {
        return QStringLiteral("cannot inspect %1: %2").arg(folder, QString::fromLocal8Bit(std::strerror(errno)));
    }
    if (!S_ISDIR(info.st_mode)) {
        return QStringLiteral("%1 is not a folder").arg(folder);
    }
    if (info.st_uid != ::geteuid()) {
        return QStringLiteral("%1 belongs to another user").arg(folder);
    }
    if ((info.st_mode & 077) != 0) {
        return QStringLiteral("%1 is open to other users (mode %2)")
            .arg(folder, QString::number(info.st_mode & 0777, 8));
    }
    return std::nullopt;
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
    const std::optional<QString> problem = m_socketPath.isEmpty()
        ? std::optional<QString>(QStringLiteral("there is no private runtime folder (XDG_RUNTIME_DIR)"))
        : privateFolderProblem(QFileInfo(m_socketPath).absolutePath());
    if (problem) {
        qWarning().noquote() << "Running without the single-instance socket, so a second launch starts a second "
                                "program:"
                             << *problem;
        return Role::standalone;
    }
    // Two launches at the same moment must not both decide they are first
    // (the second would delete the first one's socket): decide under a lock.
    QLockFile lock(m_socketPath + QStringLiteral(".lock"));
    lock.setStaleLockTime(10000);
    const bool locked = lock.tryLock(5000);
    // A listener that is there but busy (a flood of other clients) is still
    // the one program: try it again for a while, and never take its place.
    for (int attempt = 0; attempt < handOverAttempts; ++attempt) {
        if (handOver(urls)) {
            return Role::handedOver;
        }
        if (!someoneListens()) {
            break;
        }
        QThread::msleep(handOverRetryMs);
    }
    if (someoneListens()) {
        qWarning().noquote() << "The running Voltmere did not take this launch's addresses; running alone:"
                             << m_socketPath;
        return Role::standalone;
    }
    if (!locked) {
        return Role::standalone;
    }
    return listen() ? Role::primary : Role::standalone;
}

bool SingleInstance::someoneListens() const
{
    const QByteArray path = QFile::encodeName(m_socketPath);
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    if (path.size() >= static_cast<qsizetype>(sizeof address.sun_path)) {
        return false;
    }
    std::memcpy(address.sun_path, path.constData(), static_cast<std::size_t>(path.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        return false;
    }
    // A full queue (EAGAIN) means a listener too, only a busy one.
    const bool listening
        = ::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0 || errno == EAGAIN;
    ::close(fd);
    return listening;
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
        // side; such an address is not a valid one anyway. Whatever would
        // take the message past the listener's limit stays behind, or the
        // listener would drop all of it.
        const QByteArray line = url.toUtf8() + '\n';
        if (!url.contains(QLatin1Char('\n')) && payload.size() + line.size() <= maxMessageBytes) {
            payload += line;
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

// The listening socket is our own rather than a QLocalServer's: that one
// closes for good, and deletes its socket file, the first time accept fails
// (as it does when descriptors run out), which let the next launch become a
// second program.
bool SingleInstance::listen()
{
    const QByteArray path = QFile::encodeName(m_socketPath);
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    if (path.size() >= static_cast<qsizetype>(sizeof address.sun_path)) {
        qWarning().noquote() << "Running without the single-instance socket: its path is too long:" << m_socketPath;
        return false;
    }
    std::memcpy(address.sun_path, path.constData(), static_cast<std::size_t>(path.size()));

    // Nobody answered, so a socket file left there belongs to a program that
    // ended without cleaning up.
    ::unlink(path.constData());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        return false;
    }
    const mode_t previous = ::umask(077); // the socket file is created 0600
    const bool bound = ::bind(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0;
    ::umask(previous);
    if (!bound || ::listen(fd, listenBacklog) != 0) {
        qWarning().noquote() << "Running without the single-instance socket:" << m_socketPath
                             << QString::fromLocal8Bit(std::strerror(errno));
        ::close(fd);
        return false;
    }
    m_listenFd = fd;
    m_notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &SingleInstance::acceptConnections);
    return true;
}

void SingleInstance::acceptConnections()
{
    // A few at a time, so the connections pushed out are really closed (on
    // the way back through the event loop) before more come in.
    for (int accepted = 0; accepted < maxClients; ++accepted) {
        const int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED) {
                continue;
            }
            if (errno != EAGAIN && errno != EWOULDBLOCK && !m_acceptPaused) {
                // Out of descriptors or memory for now: stop polling for a
                // moment instead of spinning, and keep listening.
                m_acceptPaused = true;
                m_notifier->setEnabled(false);
                QTimer::singleShot(acceptRetryMs, this, [this] {
                    m_acceptPaused = false;
                    m_notifier->setEnabled(true);
                });
            }
            return;
        }
        // Full: the client that has been here longest makes room. A flood
        // then only pushes out its own idle connections, while a launch
        // handing over, which writes and leaves at once, gets through.
        if (m_served.size() >= static_cast<std::size_t>(maxClients)) {
            drop(m_served.front());
        }
        auto *socket = new QLocalSocket(this);
        if (!socket->setSocketDescriptor(fd)) {
            ::close(fd);
            delete socket;
            continue;
        }
        serve(socket);
    }
}

void SingleInstance::drop(QLocalSocket *socket)
{
    socket->setProperty(droppedProperty, true);
    m_served.erase(std::remove(m_served.begin(), m_served.end(), socket), m_served.end());
    socket->abort();
    socket->deleteLater();
}

void SingleInstance::serve(QLocalSocket *socket)
{
    ++m_clients;
    m_served.push_back(socket);
    connect(socket, &QObject::destroyed, this, [this, socket] {
        --m_clients;
        m_served.erase(std::remove(m_served.begin(), m_served.end(), socket), m_served.end());
    });
    // Qt would otherwise read everything the client sends into memory.
    socket->setReadBufferSize(maxMessageBytes + 1);

    auto bytes = std::make_shared<QByteArray>();
    auto *idle = new QTimer(socket);
    idle->setSingleShot(true);
    connect(idle, &QTimer::timeout, this, [this, socket] { drop(socket); });
    idle->start(idleTimeoutMs);

    const auto take = [this, socket, bytes] {
        if (socket->property(droppedProperty).toBool()) {
            return;
        }
        *bytes += socket->read(maxMessageBytes + 1 - bytes->size());
        if (bytes->size() > maxMessageBytes) {
            bytes->clear();
            drop(socket);
        }
    };
    connect(socket, &QLocalSocket::readyRead, this, take);
    connect(socket, &QLocalSocket::disconnected, this, [this, socket, bytes, take] {
        take();
        socket->deleteLater();
        if (socket->property(droppedProperty).toBool()) {
            return;
        }
        QStringList urls;
        for (const QByteArray &line : bytes->split('\n')) {
            if (!line.isEmpty()) {
                urls.append(QString::fromUtf8(line));
            }
        }
        if (!urls.isEmpty()) {
            Q_EMIT urlsReceived(urls);
        }
    });
}

} // namespace voltmere
