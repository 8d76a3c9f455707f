#include "history/view/HistoryControls.h"

#include "history/HistoryPage.h"
#include "ui/Accessibility.h"
#include "ui/Environment.h"
#include "ui/FocusRing.h"
#include "ui/SegmentButton.h"
#include "ui/Symbols.h"
#include "ui/Theme.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QMenu>
#include <QPainter>
#include <QTimer>
#include <QToolButton>
#include <QToolTip>

#include <algorithm>
#include <cmath>

namespace voltmere {

namespace {

constexpr ThemeColor chipFill { 0xF8F9FA, 0x1C1F23, 1.0 };
constexpr qreal chipPaddingX = 8;
constexpr qreal chipPaddingY = 4;
constexpr qreal chipSpacing = 8;

QFont chipFont()
{
    return Theme::font(12, QFont::DemiBold);
}

} // namespace

HistoryControls::HistoryControls(QWidget *parent)
    : QWidget(parent)
    , m_metricPicker(new QComboBox(this))
    , m_range(new SegmentTrack(this))
    , m_rangeGroup(new QButtonGroup(this))
    , m_export(new QToolButton(this))
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(12);

    for (const HistoryMetric metric : allHistoryMetrics) {
        m_metricPicker->addItem(title(metric), rawValue(metric));
    }
    m_metricPicker->setFixedWidth(metricPickerWidth);
    m_metricPicker->setAccessibleName(QStringLiteral("Metric"));
    layout->addWidget(m_metricPicker);

    // A segmented picker, drawn like the Overview's time window: one
    // checkable segment per range, exactly one on.
    auto *segments = new QHBoxLayout(m_range);
    segments->setContentsMargins(0, 0, 0, 0);
    segments->setSpacing(0);
    m_range->setFixedWidth(rangeWidth);
    m_range->setAccessibleName(QStringLiteral("Time range"));
    for (const int hours : HistoryPage::rangeHours) {
        auto *button = new SegmentButton(HistoryPage::rangeText(hours), m_range);
        button->setAccessibleDescription(QStringLiteral("Time range, ") + HistoryPage::rangeSpoken(hours));
        m_rangeGroup->addButton(button, hours);
        button->setChecked(hours == m_hours);
        segments->addWidget(button);
    }
    m_rangeGroup->setExclusive(true);
    layout->addWidget(m_range);

    // Sits last, so it stands beside "Copy summary" in the page's header.
    m_export->setText(QStringLiteral("Export…"));
    m_export->setToolTip(QStringLiteral("Saves the stored readings of this range as a CSV file"));
    m_export->setPopupMode(QToolButton::InstantPopup);
    m_export->setToolButtonStyle(Qt::ToolButtonTextOnly);
    // Styled like "Copy summary" beside it. The style's menu arrow would sit
    // on the ellipsis, and the ellipsis already says a choice follows.
    m_export->setAutoRaise(true);
    m_export->setCursor(Qt::PointingHandCursor);
    m_export->setFont(Theme::font(12, QFont::Medium));
    m_export->setStyleSheet(QStringLiteral("QToolButton::menu-indicator { image: none; width: 0px; }"));
    FocusRing::attach(m_export, 6);
    // Wide enough for the confirmation too, so it does not move the
    // controls beside it.
    const int exportWidth = m_export->sizeHint().width();
    m_export->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_export->setIcon(QIcon(Symbols::pixmap(QStringLiteral("checkmark"), 14, Qt::black, 1)));
    m_export->setText(QStringLiteral("Saved"));
    m_export->setMinimumWidth(std::max(exportWidth, m_export->sizeHint().width()));
    m_export->setToolButtonStyle(Qt::ToolButtonTextOnly);
    m_export->setIcon(QIcon());
    m_export->setText(QStringLiteral("Export…"));
    auto *exportMenu = new QMenu(m_export);
    exportMenu->addAction(QStringLiteral("Shown Metric…"), this, [this] { Q_EMIT exportRequested(false); });
    exportMenu->addAction(QStringLiteral("All Metrics…"), this, [this] { Q_EMIT exportRequested(true); });
    m_export->setMenu(exportMenu);
    layout->addWidget(m_export);
    // Tab follows the order on screen; the segments were made after Export.
    QWidget *previous = m_metricPicker;
    for (const int hours : HistoryPage::rangeHours) {
        QWidget::setTabOrder(previous, m_rangeGroup->button(hours));
        previous = m_rangeGroup->button(hours);
    }
    QWidget::setTabOrder(previous, m_export);

    connect(m_metricPicker, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index < 0 || static_cast<std::size_t>(index) >= allHistoryMetrics.size()) {
            return;
        }
        const HistoryMetric metric = allHistoryMetrics[static_cast<std::size_t>(index)];
        if (metric != m_metric) {
            m_metric = metric;
            update();
            Q_EMIT metricChanged(metric);
        }
    });
    connect(m_rangeGroup, &QButtonGroup::idClicked, this, [this](int hours) {
        if (hours != m_hours) {
            m_hours = hours;
            update();
            Q_EMIT hoursChanged(hours);
        }
    });
}

void HistoryControls::setMetric(HistoryMetric metric)
{
    const auto it = std::find(allHistoryMetrics.begin(), allHistoryMetrics.end(), metric);
    m_metricPicker->setCurrentIndex(static_cast<int>(it - allHistoryMetrics.begin()));
}

void HistoryControls::setHours(int hours)
{
    if (auto *button = m_rangeGroup->button(hours)) {
        button->setChecked(true);
        if (hours != m_hours) {
            m_hours = hours;
            update();
            Q_EMIT hoursChanged(hours);
        }
    }
}

void HistoryControls::showSaved(const QString &message)
{
    const int generation = ++m_saves;
    m_savedGeneration = generation;
    const QColor ink = Theme::mint.resolve(Environment::colorScheme(this));
    m_export->setIcon(QIcon(Symbols::pixmap(QStringLiteral("checkmark"), 14, ink, devicePixelRatioF())));
    m_export->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_export->setText(QStringLiteral("Saved"));
    m_export->setAccessibleName(message);
    Accessibility::announce(m_export, QAccessible::NameChanged);
    // Said under the button, as long as the check mark shows, ending where
    // the button ends so that it stays over the window (the button sits at
    // the header's trailing end).
    const int textWidth = QFontMetrics(QToolTip::font()).horizontalAdvance(message) + 16;
    QToolTip::showText(m_export->mapToGlobal(QPoint(m_export->width() - textWidth, m_export->height() + 4)), message,
                       m_export, QRect(), savedMs);
    // A newer export keeps its own confirmation for its full time.
    QTimer::singleShot(savedMs, this, [this, generation] {
        if (m_savedGeneration != generation) {
            return;
        }
        m_savedGeneration = 0;
        m_export->setToolButtonStyle(Qt::ToolButtonTextOnly);
        m_export->setIcon(QIcon());
        m_export->setText(QStringLiteral("Export…"));
        m_export->setAccessibleName(QString());
    });
}

QWidget *HistoryControls::rangeButton(int hours) const
{
    return m_rangeGroup->button(hours);
}

void HistoryControls::showEvent(QShowEvent *event)
{
    applyStillForm();
    QWidget::showEvent(event);
}

void HistoryControls::applyStillForm()
{
    const bool still = Environment::staticRender(this);
    if (still == m_still) {
        return;
    }
    m_still = still;
    m_metricPicker->setVisible(!still);
    m_range->setVisible(!still);
    m_export->setVisible(!still);
    // The chips are one element for screen readers.
    setAccessibleName(still ? QStringLiteral("Metric ") + title(m_metric) + QStringLiteral(", range ")
                              + HistoryPage::rangeSpoken(m_hours)
                            : QString());
    updateGeometry();
    update();
}

QSize HistoryControls::sizeHint() const
{
    if (!Environment::staticRender(this)) {
        return QWidget::sizeHint();
    }
    const QFontMetricsF metrics(chipFont());
    const qreal width = metrics.horizontalAdvance(title(m_metric))
        + metrics.horizontalAdvance(HistoryPage::rangeText(m_hours)) + 4 * chipPaddingX + chipSpacing;
    return { static_cast<int>(std::ceil(width)), static_cast<int>(std::ceil(metrics.height() + 2 * chipPaddingY)) };
}

void HistoryControls::paintEvent(QPaintEvent *)
{
    if (!m_still) {
        return;
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const ColorScheme scheme = Environment::colorScheme(this);
    const QFont font = chipFont();
    const QFontMetricsF metrics(font);
    painter.setFont(font);
    const qreal height = metrics.height() + 2 * chipPaddingY;
    const qreal top = (this->height() - height) / 2;
    qreal x = 0;
    for (const QString &text : { title(m_metric), HistoryPage::rangeText(m_hours) }) {
        const QRectF chip(x, top, metrics.horizontalAdvance(text) + 2 * chipPaddingX, height);
        painter.setPen(Qt::NoPen);
        painter.setBrush(chipFill.resolve(scheme));
        painter.drawRoundedRect(chip, height / 2, height / 2);
        painter.setPen(Theme::text.resolve(scheme));
        painter.drawText(chip, Qt::AlignCenter, text);
        x = chip.right() + chipSpacing;
    }
}

} // namespace voltmere
