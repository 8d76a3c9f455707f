#pragma once

#include "platform/FileReveal.h"

#include <QDBusConnection>
#include <QObject>
#include <QUrl>

namespace voltmere {

// Reveals a file through the freedesktop file-manager interface
// (org.freedesktop.FileManager1.ShowItems on the session bus), which opens a
// window with the file selected. Where no file manager answers, the folder
// holding the file is opened with the desktop's handler for folders
// (xdg-open) instead; only when that fails too is the reveal reported as
// failed.
class LinuxFileReveal final : public FileReveal {
public:
    // Opens a folder and says, once, whether that failed.
    using FolderOpener = std::function<void(const QUrl &folder, Completion done)>;

    // Long enough for a file manager that the bus has to start first.
    static constexpr int callTimeoutMs = 10'000;
    // xdg-open answers at once when it finds no program; one that is still
    // running by then has handed the folder to a program that waits.
    static constexpr int openerVerdictMs = 3'000;

    explicit LinuxFileReveal(
        QDBusConnection bus = QDBusConnection::sessionBus(), FolderOpener openFolder = openWithDesktop);
    ~LinuxFileReveal() override;

    void reveal(const QString &path, Completion completion) override;

    // Runs xdg-open on the folder. QDesktopServices would report success as
    // soon as xdg-open starts, even when it then finds nothing to open with.
    static void openWithDesktop(const QUrl &folder, Completion done);

private:
    void fallBack(const QString &path, const QString &why, const Completion &completion);

    QDBusConnection m_bus;
    FolderOpener m_openFolder;
    // Parent of pending calls, so none completes after the reveal is gone.
    std::unique_ptr<QObject> m_context;
};

} // namespace voltmere
