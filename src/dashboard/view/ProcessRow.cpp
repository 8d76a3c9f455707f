#include "dashboard/view/ProcessRow.h"

#include "ui/Environment.h"
#include "ui/ProcessIconView.h"
#include "ui/Symbols.h"
#include "ui/Theme.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace voltmere {

namespace {

constexpr qreal padX = 8;
constexpr qreal padY = 7;
constexpr qreal spacing = 10;
constexpr qreal rankWidth = 16;
constexpr qreal iconSide = 20;
constexpr qreal lineGap = 4; // between the text line and the bar

QFont rankFont() { return Theme::font(11, QFont::DemiBold); }
QFont nameFont() { return Theme::font(12.5, QFont::Medium); }
QFont pidFont() { return Theme::font(10.5); }
QFont cpuFont() { return Theme::font(13, QFont::DemiBold); }

// The first line's height: the tallest of its fonts, on one baseline.
qreal lineAscent()
{
    return std::max({QFontMetricsF(nameFont()).ascent(), QFontMetricsF(pidFont()).ascent(),
                     QFontMetricsF(cpuFont()).ascent()});
}

qreal lineDescent()
{
    return std::max({QFontMetricsF(nameFont()).descent(), QFontMetricsF(pidFont()).descent(),
                     QFontMetricsF(cpuFont()).descent()});
}

qreal contentHeight()
{
    return std::max(iconSide, lineAscent() + lineDescent() + lineGap + ProcessRow::barHeight);
}

QString cpuText(double cpu)
{
    return QString::asprintf("%.1f", cpu);
}

// The tint brightened towards the trailing end of the bar.
QColor brighter(const QColor &color)
{
    QColor c = color.toHsl();
    return QColor::fromHslF(c.hslHueF(), c.hslSaturationF(), std::min(1.0f, c.lightnessF() + 0.12f), c.alphaF());
}

} // namespace

ProcessRow::ProcessRow(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_Hover);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void ProcessRow::set(int rank, const ProcessTable::Row &row, double scale)
{
    if (m_rank == rank && m_row == row && m_scale == scale) {
        return;
    }
    m_rank = rank;
    m_row = row;
    m_scale = scale;
    setAccessibleName(spokenLabel(row));
    update();
}

qreal ProcessRow::fillWidth(qreal trackWidth, double cpu, double scale)
{
    const double fraction = scale > 0 && std::isfinite(cpu) ? std::clamp(cpu / scale, 0.0, 1.0) : 0.0;
    return std::max(trackWidth * fraction, minimumBar);
}

QString ProcessRow::spokenLabel(const ProcessTable::Row &row)
{
    QString label = row.name;
    if (row.pid) {
        label += QStringLiteral(", process ") + QString::number(*row.pid);
    }
    return label + QStringLiteral(", ") + cpuText(row.cpu) + QStringLiteral(" percent CPU");
}

QRectF ProcessRow::trackRect() const
{
    const qreal left = padX + rankWidth + spacing + iconSide + spacing;
    // The text line and the bar are centred as one block beside the icon.
    const qreal block = lineAscent() + lineDescent() + lineGap + barHeight;
    const qreal top = (height() - block) / 2;
    const qreal barTop = top + lineAscent() + lineDescent() + lineGap;
    return {left, barTop, std::max(0.0, width() - padX - left), barHeight};
}

QSize ProcessRow::sizeHint() const
{
    return {360, static_cast<int>(std::ceil(contentHeight() + 2 * padY))};
}

QSize ProcessRow::minimumSizeHint() const
{
    return {200, sizeHint().height()};
}

void ProcessRow::enterEvent(QEnterEvent *event)
{
    m_hovering = true;
    update();
    QWidget::enterEvent(event);
}

void ProcessRow::leaveEvent(QEvent *event)
{
    m_hovering = false;
    update();
    QWidget::leaveEvent(event);
}

void ProcessRow::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const ColorScheme scheme = Environment::colorScheme(this);
    const QRectF bounds(rect());
    if (m_hovering) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(Theme::mint.opacity(0.14).resolve(scheme));
        painter.drawRoundedRect(bounds, 8, 8);
    }
    const qreal centreY = bounds.height() / 2;

    // Rank, right-aligned in its column.
    qreal x = padX;
    painter.setFont(rankFont());
    painter.setPen(Theme::muted.resolve(scheme));
    painter.drawText(QRectF(x, 0, rankWidth, bounds.height()), Qt::AlignRight | Qt::AlignVCenter,
                     QString::asprintf("%lld", static_cast<long long>(m_rank)));
    x += rankWidth + spacing;

    // Icon, or the stack symbol on a well for the combined row.
    const QRectF iconFrame(x, centreY - iconSide / 2, iconSide, iconSide);
    if (m_row.isOther) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(Theme::placeholder.resolve(scheme));
        painter.drawRoundedRect(iconFrame, 5, 5);
        const qreal glyph = 11;
        Symbols::paint(painter,
                       QRectF(iconFrame.center().x() - glyph / 2, iconFrame.center().y() - glyph / 2, glyph, glyph),
                       QStringLiteral("square.stack.3d.up.fill"), Theme::muted.resolve(scheme));
    } else {
        ProcessIconView::paint(painter, iconFrame, m_row.pid, scheme);
    }
    x += iconSide + spacing;

    // First line on one baseline: name, pid, then the CPU at the trailing edge.
    const QRectF track = trackRect();
    const qreal baseline = track.top() - lineGap - lineDescent();
    const qreal right = bounds.width() - padX;
    const QString cpu = cpuText(m_row.cpu);
    const qreal cpuWidth = QFontMetricsF(cpuFont()).horizontalAdvance(cpu);
    painter.setFont(cpuFont());
    painter.setPen(Theme::text.resolve(scheme));
    painter.drawText(QPointF(right - cpuWidth, baseline), cpu);

    const QString pid = m_row.pid ? QString::asprintf("%d", static_cast<int>(*m_row.pid)) : QString();
    const qreal pidWidth = pid.isEmpty() ? 0 : QFontMetricsF(pidFont()).horizontalAdvance(pid);
    const qreal nameRoom = std::max(0.0, right - cpuWidth - 4 - x - (pid.isEmpty() ? 0 : pidWidth + 4));
    const QFontMetricsF nameMetrics(nameFont());
    const QString name = nameMetrics.elidedText(m_row.name, Qt::ElideRight, nameRoom);
    painter.setFont(nameFont());
    painter.setPen((m_row.isOther ? Theme::muted : Theme::text).resolve(scheme));
    painter.drawText(QPointF(x, baseline), name);
    if (!pid.isEmpty()) {
        painter.setFont(pidFont());
        painter.setPen(Theme::muted.resolve(scheme));
        painter.drawText(QPointF(x + nameMetrics.horizontalAdvance(name) + 4, baseline), pid);
    }

    // The bar: a capsule track and a capsule fill from the leading edge.
    const qreal r = barHeight / 2;
    painter.setPen(Qt::NoPen);
    painter.setBrush(Theme::placeholder.opacity(0.6).resolve(scheme));
    painter.drawRoundedRect(track, r, r);
    const ThemeColor tint = m_row.isOther ? Theme::slate : Theme::mint;
    const QColor base = tint.resolve(scheme);
    const QRectF fill(track.left(), track.top(), fillWidth(track.width(), m_row.cpu, m_scale), barHeight);
    if (scheme == ColorScheme::dark) {
        // A soft glow of the tint around the fill.
        for (int i = 3; i >= 1; --i) {
            QColor glow = base;
            glow.setAlphaF(0.5f / 3.0f * static_cast<float>(4 - i) / 2.0f);
            painter.setBrush(glow);
            const qreal grow = i;
            painter.drawRoundedRect(fill.adjusted(-grow, -grow, grow, grow), r + grow, r + grow);
        }
    }
    QLinearGradient gradient(fill.topLeft(), fill.topRight());
    gradient.setColorAt(0, base);
    gradient.setColorAt(1, brighter(base));
    painter.setBrush(gradient);
    painter.drawRoundedRect(fill, r, r);
}

} // namespace voltmere
