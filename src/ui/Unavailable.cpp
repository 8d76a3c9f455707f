#include "ui/Unavailable.h"

#include "ui/Theme.h"

namespace voltmere {

Unavailable::Unavailable(const QString &reason, qreal size, QWidget *parent)
    : TextComponent(parent)
    , m_reason(reason)
{
    setText(QStringLiteral("Unavailable"));
    setTextFont(Theme::font(size, QFont::Medium));
    setColor(Theme::muted);
    setToolTip(reason);
    setAccessibleName(QStringLiteral("Unavailable. ") + reason);
}

} // namespace voltmere
