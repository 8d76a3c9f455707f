#pragma once

#include "platform/FileReveal.h"

#include <QDBusConnection>
#include <QObject>
#include <QUrl>

namespace voltmere {

// Reveals a file through the freedesktop file-manager interface
// (org.freedesktop.FileManager1.ShowItems on the session bus), which opens a
// window with the file selected. Where no file manager answers, the folder
// holding the file is opened with the desktop's handler for folders instead;
// only when that fails too is the reveal reported as failed.
class LinuxFileReveal final : public FileReveal {
public:
    // Opens a folder; false when nothing took it.
    using FolderOpener = std::function<bool(const QUrl &folder)>;

    // Long enough for a file manager that the bus has to start first.
    static constexpr int callTimeoutMs = 10'000;

    explicit LinuxFileReveal(
        QDBusConnection bus = QDBusConnection::sessionBus(), FolderOpener openFolder = openWithDesktop);
    ~LinuxFileReveal() override;

    void reveal(const QString &path, Completion completion) override;

    // QDesktopServices, which hands the folder to xdg-open.
    static bool openWithDesktop(const QUrl &folder);

private:
    void fallBack(const QString &path, const QString &why, const Completion &completion);

    QDBusConnection m_bus;
    FolderOpener m_openFolder;
    // Parent of pending calls, so none completes after the reveal is gone.
    std::unique_ptr<QObject> m_context;
};

} // namespace voltmere
