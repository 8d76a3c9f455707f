#include "ui/FocusRing.h"

#include "ui/Environment.h"
#include "ui/Theme.h"

#include <QFocusEvent>
#include <QPainter>

namespace voltmere {

FocusRing *FocusRing::attach(QWidget *target, qreal radius)
{
    return new FocusRing(target, radius);
}

FocusRing::FocusRing(QWidget *target, qreal radius)
    : QWidget(target->parentWidget())
    , m_target(target)
    , m_radius(radius)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    if (target->focusPolicy() == Qt::NoFocus) {
        target->setFocusPolicy(Qt::StrongFocus);
    }
    target->installEventFilter(this);
    // Dies with the target even though it is the target's sibling.
    connect(target, &QObject::destroyed, this, &QObject::deleteLater);
    hide();
}

bool FocusRing::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_target) {
        switch (event->type()) {
        case QEvent::FocusIn:
            // Only keyboard focus earns a ring, as clicks show themselves.
            m_focused = static_cast<QFocusEvent *>(event)->reason() != Qt::MouseFocusReason;
            follow();
            break;
        case QEvent::FocusOut:
        case QEvent::Hide:
            m_focused = false;
            follow();
            break;
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::Show:
            follow();
            break;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void FocusRing::setShowingFocus(bool showing)
{
    m_focused = showing;
    follow();
}

void FocusRing::follow()
{
    if (!m_focused || !m_target->isVisible()) {
        hide();
        return;
    }
    if (parentWidget() != m_target->parentWidget()) {
        setParent(m_target->parentWidget());
    }
    const int margin = outset + static_cast<int>(lineWidth);
    setGeometry(m_target->geometry().adjusted(-margin, -margin, margin, margin));
    raise();
    show();
    update();
}

void FocusRing::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPen pen(Theme::mint.resolve(Environment::colorScheme(this)), lineWidth);
    painter.setPen(pen);
    // The stroke is centred on a rounded rectangle of the given radius,
    // 2 points outside the target; the widget reaches a stroke width further.
    const qreal inset = lineWidth;
    const QRectF ring = QRectF(rect()).adjusted(inset, inset, -inset, -inset);
    painter.drawRoundedRect(ring, m_radius, m_radius);
}

} // namespace voltmere
