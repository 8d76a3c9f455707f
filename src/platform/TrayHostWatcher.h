#pragma once

#include <QObject>

#include <memory>

namespace voltmere {

// Whether the desktop has a tray that can show the status item, and when one
// appears or goes away. Desktops start their tray when they like: with
// "Open at login" the program often runs first, and a tray may restart.
// Main thread only.
class TrayHostWatcher : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~TrayHostWatcher() override = default;

    virtual bool isAvailable() const = 0;
    // False where this watcher cannot see trays at all (no session bus); the
    // toolkit's own check is then the only one there is.
    virtual bool canWatch() const = 0;
    // True while the desktop runs a StatusNotifier watcher, with or without a
    // tray registered with it yet. Where none runs, an old XEmbed tray may be
    // all the desktop has.
    virtual bool hasWatcher() const = 0;

    // The running desktop's tray.
    static std::unique_ptr<TrayHostWatcher> createForThisMachine(QObject *parent = nullptr);

Q_SIGNALS:
    // A tray became ready: the first one, or one that restarted.
    void appeared();
    // The tray went away; an icon shown in it is gone with it.
    void lost();
};

} // namespace voltmere
