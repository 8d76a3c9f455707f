#include "platform/linux/LinuxFileReveal.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QFileInfo>
#include <QPointer>
#include <QProcess>
#include <QTimer>

#include <memory>

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

void LinuxFileReveal::openWithDesktop(const QUrl &folder, Completion done)
{
    // The process is nobody's child: a program xdg-open waits on (a file
    // manager started in its generic mode) must outlive this call.
    auto *process = new QProcess;
    auto answered = std::make_shared<bool>(false);
    auto answer = [answered, done](std::optional<QString> failure) {
        if (!*answered) {
            *answered = true;
            done(std::move(failure));
        }
    };
    QObject::connect(process, &QProcess::errorOccurred, process, [process, answer](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) {
            answer(QStringLiteral("xdg-open could not be started"));
            process->deleteLater();
        }
    });
    QObject::connect(process, &QProcess::finished, process, [process, answer](int code, QProcess::ExitStatus status) {
        if (status == QProcess::NormalExit && code == 0) {
            answer(std::nullopt);
        } else {
            answer(QStringLiteral("xdg-open found no program for folders"));
        }
        process->deleteLater();
    });
    QTimer::singleShot(openerVerdictMs, process, [answer] { answer(std::nullopt); });
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    process->start(QStringLiteral("xdg-open"), {folder.toLocalFile()});
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
    if (!m_openFolder) {
        completion(QStringLiteral("No file manager could show %1 (%2).").arg(folder, why));
        return;
    }
    // The opener may answer after this object is gone; then nobody is told.
    QPointer<QObject> alive(m_context.get());
    m_openFolder(QUrl::fromLocalFile(folder), [alive, folder, why, completion](std::optional<QString> failure) {
        if (!alive) {
            return;
        }
        if (!failure) {
            completion(std::nullopt);
            return;
        }
        completion(QStringLiteral("No file manager could show %1 (%2), and opening the folder failed: %3.")
                       .arg(folder, why, *failure));
    });
}

} // namespace voltmere
