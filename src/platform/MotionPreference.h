#pragma once

#include <QObject>
#include <QString>
#include <QVariant>

#include <map>
#include <optional>

namespace voltmere {

// Whether the desktop asks applications to keep still: animations switched
// off, or reduced motion asked for. Several desktops publish it, each in its
// own words; any one of them asking is enough. Main thread only.
class MotionPreference : public QObject {
    Q_OBJECT
public:
    // The one instance, following this desktop's settings (on Linux the
    // settings portal, read without blocking; until it answers, motion is
    // allowed).
    static MotionPreference &shared();

    MotionPreference() = default;

    bool reduceMotion() const { return m_reduce; }

    // Takes one published setting; settings that say nothing about motion
    // are ignored.
    void apply(const QString &group, const QString &key, const QVariant &value);

    // What a setting says about motion: true for "keep still", false for
    // "animate", absent when it is not about motion or unreadable.
    //   org.gnome.desktop.interface enable-animations (boolean)
    //   org.kde.kdeglobals.KDE AnimationDurationFactor (0 switches animations off)
    //   org.freedesktop.appearance reduced-motion (1 asks for reduced motion)
    static std::optional<bool> reducesMotion(const QString &group, const QString &key, const QVariant &value);

Q_SIGNALS:
    void reduceMotionChanged();

private:
    std::map<QString, bool> m_sources;
    bool m_reduce = false;
};

} // namespace voltmere
