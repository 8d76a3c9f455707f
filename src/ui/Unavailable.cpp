#include "ui/Unavailable.h"

#include "ui/Theme.h"

namespace voltmere {

Unavailable::Unavailable(const QString &reason, qreal size, QWidget *parent)
    : TextComponent(parent)
{
    setText(QStringLiteral("Unavailable"));
    setTextFont(Theme::font(size, QFont::Medium));
    setColor(Theme::muted);
    showReason(reason);
}

void Unavailable::setReason(const QString &reason)
{
    if (reason != m_reason) {
        showReason(reason);
    }
}

void Unavailable::showReason(const QString &reason)
{
    m_reason = reason;
    setToolTip(reason);
    setAccessibleName(QStringLiteral("Unavailable. ") + reason);
}

} // namespace voltmere
