#include "ui/ProcessIconView.h"

#include "ui/Environment.h"
#include "ui/ProcessIcons.h"
#include "ui/Symbols.h"
#include "ui/Theme.h"

#include <QPainter>

#include <cmath>

namespace voltmere {

ProcessIconView::ProcessIconView(qreal size, QWidget *parent)
    : QWidget(parent)
    , m_size(size)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    Environment::hideFromAccessibility(this);
}

void ProcessIconView::setPid(std::optional<std::int32_t> pid)
{
    if (m_pid == pid) {
        return;
    }
    m_pid = pid;
    update();
}

bool ProcessIconView::showsPlaceholder() const
{
    return !m_pid || ProcessIcons::icon(*m_pid).isNull();
}

QSize ProcessIconView::sizeHint() const
{
    const int side = static_cast<int>(std::ceil(m_size));
    return {side, side};
}

void ProcessIconView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRectF frame((width() - m_size) / 2, (height() - m_size) / 2, m_size, m_size);
    paint(painter, frame, m_pid, Environment::colorScheme(this));
}

void ProcessIconView::paint(QPainter &painter, const QRectF &frame, std::optional<std::int32_t> pid,
                            ColorScheme scheme)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QImage image = pid ? ProcessIcons::icon(*pid) : QImage();
    if (!image.isNull()) {
        painter.drawImage(frame, image, QRectF(image.rect()));
        painter.restore();
        return;
    }
    const qreal side = frame.width();
    painter.setPen(Qt::NoPen);
    painter.setBrush(Theme::placeholder.resolve(scheme));
    const qreal radius = side * 0.25;
    painter.drawRoundedRect(frame, radius, radius);
    const qreal glyph = side * 0.62;
    const QRectF glyphRect(frame.center().x() - glyph / 2, frame.center().y() - glyph / 2, glyph, glyph);
    Symbols::paint(painter, glyphRect, QStringLiteral("gearshape.fill"), Theme::muted.resolve(scheme));
    painter.restore();
}

} // namespace voltmere
