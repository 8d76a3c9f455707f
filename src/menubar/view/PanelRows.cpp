#include "menubar/view/PanelRows.h"

#include "menubar/view/PanelText.h"
#include "ui/Environment.h"
#include "ui/FocusRing.h"
#include "ui/PressableStyle.h"
#include "ui/SymbolView.h"
#include "ui/Symbols.h"
#include "ui/TextComponent.h"
#include "ui/Theme.h"
#include "ui/WrappingText.h"

#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QPainter>
#include <QVBoxLayout>

#include <cmath>

namespace voltmere {

namespace {

int layoutHeight(const QWidget *widget, int width)
{
    QLayout *layout = widget->layout();
    return layout->hasHeightForWidth() ? layout->heightForWidth(width) : layout->sizeHint().height();
}

} // namespace

// --------------------------------------------------------------- InsightRow

InsightRow::InsightRow(QWidget *parent)
    : QAbstractButton(parent)
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->setSpacing(9);
    m_symbol = new SymbolView(QStringLiteral("sparkle"), 13, Theme::mint);
    m_text = new WrappingText(Theme::font(12, QFont::Medium), Theme::text);
    // The theme's chevron fills half its square; a 14-point square gives
    // the 10-point semibold chevron its height.
    auto *chevron = new SymbolView(QStringLiteral("chevron.right"), 14, Theme::muted);
    layout->addWidget(m_symbol, 0, Qt::AlignTop);
    layout->addWidget(m_text, 1, Qt::AlignTop);
    layout->addWidget(chevron, 0, Qt::AlignTop);
    for (QWidget *child : {static_cast<QWidget *>(m_symbol), static_cast<QWidget *>(m_text),
                           static_cast<QWidget *>(chevron)}) {
        child->setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    PressableStyle::attach(this);
    FocusRing::attach(this, 12);
}

QString InsightRow::spokenLabel(const Insight &insight)
{
    return insight.severity == Insight::Severity::attention ? QStringLiteral("Needs attention: ") + insight.text
                                                            : insight.text;
}

void InsightRow::setInsight(const Insight &insight)
{
    if (m_insight == insight) {
        return;
    }
    m_insight = insight;
    const bool attention = insight.severity == Insight::Severity::attention;
    m_symbol->setSymbol(attention ? QStringLiteral("exclamationmark.triangle.fill") : QStringLiteral("sparkle"));
    m_symbol->setColor(attention ? Theme::amber : Theme::mint);
    m_text->setText(insight.text);
    setAccessibleName(spokenLabel(insight));
    updateGeometry();
    update();
}

QSize InsightRow::sizeHint() const
{
    return layout()->sizeHint();
}

QSize InsightRow::minimumSizeHint() const
{
    return layout()->minimumSize();
}

int InsightRow::heightForWidth(int width) const
{
    return layoutHeight(this, width);
}

void InsightRow::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const ColorScheme scheme = Environment::colorScheme(this);
    const bool attention = m_insight.severity == Insight::Severity::attention;
    painter.setPen(Qt::NoPen);
    painter.setBrush((attention ? Theme::attentionWash : Theme::mint.opacity(0.14)).resolve(scheme));
    painter.drawRoundedRect(QRectF(rect()), 12, 12);
    // The severity mark on the leading edge.
    painter.setBrush((attention ? Theme::amber : Theme::mint).resolve(scheme));
    const QRectF mark(0, 8, 3, std::max(0, height() - 16));
    painter.drawRoundedRect(mark, 1.5, 1.5);
}

// -------------------------------------------------------------- ReminderRow

ReminderRow::ReminderRow(QWidget *parent)
    : QAbstractButton(parent)
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 4, 8, 4);
    layout->setSpacing(8);
    m_bell = new SymbolView(QStringLiteral("bell.slash"), 13, Theme::muted);
    auto *title = PanelText::make(QStringLiteral("Charge reminder"), Theme::font(12, QFont::Medium), Theme::text);
    m_status = PanelText::make(QString(), Theme::font(11), Theme::muted);
    layout->addWidget(m_bell, 0, Qt::AlignVCenter);
    layout->addWidget(title, 0, Qt::AlignVCenter);
    layout->addStretch();
    layout->addWidget(m_status, 0, Qt::AlignVCenter);
    for (QWidget *child : {static_cast<QWidget *>(m_bell), static_cast<QWidget *>(title),
                           static_cast<QWidget *>(m_status)}) {
        child->setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setAccessibleName(QStringLiteral("Charge reminder"));
    PressableStyle::attach(this);
    FocusRing::attach(this, 8);
}

void ReminderRow::set(bool enabled, const QString &status)
{
    m_bell->setSymbol(enabled ? QStringLiteral("bell.fill") : QStringLiteral("bell.slash"));
    m_bell->setColor(enabled ? Theme::mint : Theme::muted);
    m_status->setText(status);
    setAccessibleDescription(status);
}

QString ReminderRow::statusText() const
{
    return m_status->text();
}

bool ReminderRow::bellOn() const
{
    return m_bell->symbol() == QLatin1String("bell.fill");
}

QSize ReminderRow::sizeHint() const
{
    return layout()->sizeHint();
}

void ReminderRow::paintEvent(QPaintEvent *)
{
    // Only the children draw; the press scale has nothing of its own to move.
}

// --------------------------------------------------------------- StatusChip

namespace {

constexpr qreal chipPadX = 8;
constexpr qreal chipPadY = 3;
constexpr qreal chipDot = 6;
constexpr qreal chipSpacing = 5;

QFont chipFont()
{
    return Theme::font(10, QFont::DemiBold);
}

} // namespace

StatusChip::StatusChip(QWidget *parent)
    : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAccessibleName(QStringLiteral("Nothing needs attention"));
}

void StatusChip::setAttention(bool attention)
{
    if (m_attention == attention) {
        return;
    }
    m_attention = attention;
    setAccessibleName(attention ? QStringLiteral("Something needs attention")
                                : QStringLiteral("Nothing needs attention"));
    updateGeometry();
    update();
}

QString StatusChip::label() const
{
    return m_attention ? QStringLiteral("Needs a look") : QStringLiteral("All clear");
}

QSize StatusChip::sizeHint() const
{
    const QFontMetricsF metrics(chipFont());
    const qreal width = chipPadX * 2 + chipDot + chipSpacing + metrics.horizontalAdvance(label());
    const qreal height = chipPadY * 2 + std::max(chipDot, metrics.height());
    return {static_cast<int>(std::ceil(width)), static_cast<int>(std::ceil(height))};
}

void StatusChip::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const ColorScheme scheme = Environment::colorScheme(this);
    const QColor ink = (m_attention ? Theme::amber : Theme::mint).resolve(scheme);
    const QRectF bounds(rect());
    painter.setPen(Qt::NoPen);
    painter.setBrush((m_attention ? Theme::attentionWash : Theme::mint.opacity(0.14)).resolve(scheme));
    painter.drawRoundedRect(bounds, bounds.height() / 2, bounds.height() / 2);
    painter.setBrush(ink);
    painter.drawEllipse(QRectF(chipPadX, (bounds.height() - chipDot) / 2, chipDot, chipDot));
    painter.setPen(ink);
    painter.setFont(chipFont());
    painter.drawText(bounds.adjusted(chipPadX + chipDot + chipSpacing, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                     label());
}

// ------------------------------------------------------------- FooterButton

namespace {

QFont footerFont()
{
    return Theme::font(12, QFont::DemiBold);
}

QFont shortcutFont()
{
    return Theme::font(11, QFont::Medium);
}

} // namespace

FooterButton::FooterButton(QWidget *parent)
    : QAbstractButton(parent)
{
    setText(QStringLiteral("Open Dashboard"));
    setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    PressableStyle::attach(this);
    FocusRing::attach(this, 12);
}

QSize FooterButton::sizeHint() const
{
    const QFontMetricsF metrics(footerFont());
    return {200, static_cast<int>(std::ceil(metrics.height() + 16))};
}

void FooterButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const ColorScheme scheme = Environment::colorScheme(this);
    const QRectF bounds(rect());
    painter.setPen(Qt::NoPen);
    painter.setBrush(Theme::mint.opacity(0.14).resolve(scheme));
    painter.drawRoundedRect(bounds, 12, 12);
    QPen border(Theme::mint.opacity(0.25).resolve(scheme), 1);
    painter.setPen(border);
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(bounds.adjusted(0.5, 0.5, -0.5, -0.5), 11.5, 11.5);

    const QColor ink = Theme::mint.resolve(scheme);
    const QRectF content = bounds.adjusted(16, 0, -16, 0);
    painter.setPen(ink);
    painter.setFont(footerFont());
    painter.drawText(content, Qt::AlignLeft | Qt::AlignVCenter, text());
    // The arrow at the trailing edge, the shortcut just before it.
    const qreal arrow = 10;
    const QRectF arrowRect(content.right() - arrow, bounds.center().y() - arrow / 2, arrow, arrow);
    Symbols::paint(painter, arrowRect, QStringLiteral("arrow.up.right"), ink);
    const QString keys = shortcut().toString(QKeySequence::NativeText);
    QColor faded = ink;
    faded.setAlphaF(ink.alphaF() * 0.7f);
    painter.setPen(faded);
    painter.setFont(shortcutFont());
    painter.drawText(QRectF(content.left(), bounds.top(), arrowRect.left() - 6 - content.left(), bounds.height()),
                     Qt::AlignRight | Qt::AlignVCenter, keys);
}

} // namespace voltmere
