#include "ui/DashboardScroll.h"

#include "ui/Environment.h"

#include <QEasingCurve>
#include <QPointer>
#include <QPropertyAnimation>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>

namespace voltmere {

DashboardScroll::DashboardScroll(QWidget *content, QWidget *parent)
    : QWidget(parent)
    , m_content(content)
    , m_area(new QScrollArea)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_area->setFrameShape(QFrame::NoFrame);
    m_area->setWidgetResizable(true);
    m_area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_area->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // The window's background shows through behind the cards.
    m_area->setAutoFillBackground(false);
    // The area itself would be an invisible Tab stop; it still scrolls to
    // whichever card or control inside takes the focus.
    m_area->setFocusPolicy(Qt::NoFocus);
    m_area->viewport()->setAutoFillBackground(false);
    m_area->setWidget(m_content);
    // Setting the widget turns its background filling on; the aurora shows through instead.
    m_content->setAutoFillBackground(false);
    layout->addWidget(m_area);
    applyMode();
}

QScrollArea *DashboardScroll::scrollArea() const
{
    return m_area->isVisibleTo(this) || !Environment::staticRender(this) ? m_area : nullptr;
}

void DashboardScroll::showEvent(QShowEvent *event)
{
    applyMode();
    QWidget::showEvent(event);
}

// Whether the image is still is known only once the scroll sits in its
// surface, so the content moves between the two forms when shown.
void DashboardScroll::applyMode()
{
    const bool still = Environment::staticRender(this);
    const bool inArea = m_area->widget() == m_content;
    if (still && inArea) {
        m_area->takeWidget();
        m_area->hide();
        layout()->addWidget(m_content);
        m_content->show();
    } else if (!still && !inArea) {
        layout()->removeWidget(m_content);
        m_area->setWidget(m_content);
        m_content->setAutoFillBackground(false);
        m_area->show();
    }
}

void DashboardScroll::scrollToTop(const QWidget *target, int durationMs)
{
    if (!target || m_area->widget() != m_content) {
        return;
    }
    QScrollBar *bar = m_area->verticalScrollBar();
    const QPointer<const QWidget> aim(target);
    const auto top = [this, bar, aim] {
        return aim ? std::clamp(aim->mapTo(m_content, QPoint(0, 0)).y(), bar->minimum(), bar->maximum())
                   : bar->value();
    };
    if (durationMs <= 0) {
        bar->setValue(top());
        return;
    }
    auto *animation = new QPropertyAnimation(bar, "value", bar);
    animation->setDuration(durationMs);
    animation->setEasingCurve(QEasingCurve::InOutQuad);
    animation->setEndValue(top());
    // The window system may still resize a window it has just shown, which
    // moves the target and the range under the scroll: the scroll follows,
    // and ends on the target where it is then.
    connect(bar, &QScrollBar::rangeChanged, animation, [animation, top] { animation->setEndValue(top()); });
    connect(animation, &QAbstractAnimation::finished, bar, [bar, top] { bar->setValue(top()); });
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

} // namespace voltmere
