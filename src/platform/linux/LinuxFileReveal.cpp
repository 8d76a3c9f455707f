#include "platform/linux/LinuxFileReveal.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDesktopServices>
#include <QFileInfo>

namespace voltmere {

std::unique_ptr<FileReveal> FileReveal::createForThisMachine()
{
    return std::make_unique<LinuxFileReveal>();
}

LinuxFileReveal::LinuxFileReveal(QDBusConnection bus, FolderOpener openFolder)
    : m_bus(std::move(bus))
    , m_openFolder(std::move(openFolder))
    , m_context(std::make_unique<QObject>())
{
}

LinuxFileReveal::~LinuxFileReveal() = default;

bool LinuxFileReveal::openWithDesktop(const QUrl &folder)
{
    return QDesktopServices::openUrl(folder);
}

void LinuxFileReveal::reveal(const QString &path, Completion completion)
{
    if (!m_bus.isConnected()) {
        fallBack(path, QStringLiteral("there is no session bus"), completion);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.FileManager1"),
        QStringLiteral("/org/freedesktop/FileManager1"), QStringLiteral("org.freedesktop.FileManager1"),
        QStringLiteral("ShowItems"));
    // The second argument is a startup-notification id; we have none.
    call << QStringList{QUrl::fromLocalFile(path).toString()} << QString();
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, callTimeoutMs), m_context.get());
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, m_context.get(),
        [this, watcher, path, completion](QDBusPendingCallWatcher *) {
            watcher->deleteLater();
            const QDBusPendingReply<> reply = *watcher;
            if (reply.isError()) {
                fallBack(path, reply.error().message(), completion);
                return;
            }
            completion(std::nullopt);
        });
}

void LinuxFileReveal::fallBack(const QString &path, const QString &why, const Completion &completion)
{
    const QString folder = QFileInfo(path).absolutePath();
    if (m_openFolder && m_openFolder(QUrl::fromLocalFile(folder))) {
        completion(std::nullopt);
        return;
    }
    completion(QStringLiteral("No file manager could show %1 (%2), and the folder could not be opened.")
                   .arg(folder, why));
}

} // namespace voltmere
