#include "platform/ActivationPolicy.h"

namespace voltmere {

ActivationPolicy::ActivationPolicy(QObject *parent)
    : QObject(parent)
{
}

ActivationPolicy &ActivationPolicy::shared()
{
    static auto *policy = new ActivationPolicy;
    return *policy;
}

const QSet<QString> &ActivationPolicy::dockSurfaces()
{
    static const QSet<QString> surfaces { QStringLiteral("dashboard"), QStringLiteral("welcome"),
        QStringLiteral("about"), QStringLiteral("settings") };
    return surfaces;
}

void ActivationPolicy::setPolicy(Policy policy)
{
    if (m_policy != policy) {
        m_policy = policy;
        Q_EMIT policyChanged();
    }
}

void ActivationPolicy::applyDockIcon()
{
    m_showsDockIcon = true;
    Q_EMIT dockIconApplied();
}

void ActivationPolicy::promotingSurfaceAttached()
{
    setPolicy(Policy::regular);
    // Applied even when already regular: the icon may follow the appearance.
    applyDockIcon();
    Q_EMIT activationRequested();
}

void ActivationPolicy::promotingSurfaceShown()
{
    if (m_policy != Policy::regular) {
        setPolicy(Policy::regular);
        applyDockIcon();
    }
}

void ActivationPolicy::promotingSurfaceClosed(const QSet<QString> &visibleSurfaces)
{
    if (visibleSurfaces.intersects(dockSurfaces())) {
        return;
    }
    setPolicy(Policy::accessory);
    m_showsDockIcon = false;
    Q_EMIT dockIconCleared();
}

} // namespace voltmere
