#include "dashboard/view/MetricCard.h"

#include "ui/Environment.h"
#include "ui/HeroNumber.h"
#include "ui/SectionLabel.h"
#include "ui/TextComponent.h"
#include "ui/Theme.h"
#include "ui/TimeSeriesChart.h"
#include "ui/Unavailable.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

namespace voltmere {

namespace {

// The 12 × 3 capsule in a series' colour beside its name.
class Swatch final : public QWidget {
public:
    explicit Swatch(const ThemeColor &color)
        : m_color(color)
    {
        setFixedSize(12, 3);
        Environment::hideFromAccessibility(this);
    }
    const ThemeColor &color() const { return m_color; }
    void setColor(const ThemeColor &color)
    {
        if (color == m_color) {
            return;
        }
        m_color = color;
        update();
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(m_color.resolve(Environment::colorScheme(this)));
        painter.drawRoundedRect(QRectF(rect()), 1.5, 1.5);
    }

private:
    ThemeColor m_color;
};

// The status chip: a dot and a word on a tinted capsule, amber when it asks
// for attention, else mint.
class BadgeChip final : public QWidget {
public:
    BadgeChip() { setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed); }

    const std::optional<OverviewModel::Badge> &badge() const { return m_badge; }
    void setBadge(const std::optional<OverviewModel::Badge> &badge)
    {
        if (badge == m_badge) {
            return;
        }
        m_badge = badge;
        setVisible(badge.has_value());
        setAccessibleName(badge ? badge->text : QString());
        updateGeometry();
        update();
    }
    QSize sizeHint() const override
    {
        const QFontMetricsF metrics(font());
        const qreal textWidth = m_badge ? metrics.horizontalAdvance(m_badge->text) : 0;
        return {static_cast<int>(std::ceil(8 + 6 + 5 + textWidth + 8)), static_cast<int>(std::ceil(metrics.height() + 6))};
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        if (!m_badge) {
            return;
        }
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const ColorScheme scheme = Environment::colorScheme(this);
        const ThemeColor ink = m_badge->attention ? Theme::amber : Theme::mint;
        const ThemeColor wash = m_badge->attention ? Theme::attentionWash : Theme::mint.opacity(0.14);
        const QRectF box(rect());
        painter.setPen(Qt::NoPen);
        painter.setBrush(wash.resolve(scheme));
        painter.drawRoundedRect(box, box.height() / 2, box.height() / 2);
        painter.setBrush(ink.resolve(scheme));
        painter.drawEllipse(QRectF(8, box.center().y() - 3, 6, 6));
        painter.setPen(ink.resolve(scheme));
        painter.setFont(font());
        painter.drawText(box.adjusted(8 + 6 + 5, 0, -8, 0), Qt::AlignVCenter | Qt::AlignLeft, m_badge->text);
    }

private:
    std::optional<OverviewModel::Badge> m_badge;
};

// The detail beside the big number. Its parts (joined by " · ") stay on one
// line where the card is wide enough and stack, bottom line on the number's
// baseline, where it is not; a part still wider than the column gives way
// with an ellipsis, so a long detail never widens the card beyond its column
// at the window's smallest size.
class DetailText final : public TextComponent {
public:
    DetailText()
    {
        setAlignment(Qt::AlignLeft | Qt::AlignBottom);
        setElideMode(Qt::ElideRight);
    }

    QSize sizeHint() const override { return {oneLineWidth(), lineCount() * lineHeight()}; }
    QSize minimumSizeHint() const override { return {24, lineCount() * lineHeight()}; }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        if (width() >= oneLineWidth()) {
            drawLine(painter, text());
            return;
        }
        const QStringList lines = parts();
        for (qsizetype i = 0; i < lines.size(); ++i) {
            painter.save();
            painter.translate(0, -static_cast<qreal>(lines.size() - 1 - i) * lineHeight());
            drawFitted(painter, lines[i]);
            painter.restore();
        }
    }

private:
    static inline const QString separator = QStringLiteral(" · ");
    QStringList parts() const { return text().split(separator); }
    int lineCount() const { return static_cast<int>(std::max<qsizetype>(parts().size(), 1)); }
    int oneLineWidth() const { return static_cast<int>(std::ceil(lineWidth(text()))) + 1; }
    int lineHeight() const { return TextComponent::sizeHint().height(); }
};

// The card's sentence: wraps, and can be selected and copied with the
// pointer or the keyboard. Its colour follows the scheme at paint time.
class SummaryLabel final : public QLabel {
public:
    SummaryLabel()
    {
        setWordWrap(true);
        setFont(Theme::font(11));
        setTextFormat(Qt::PlainText);
        setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Minimum);
    }

protected:
    void paintEvent(QPaintEvent *event) override
    {
        const ColorScheme scheme = Environment::colorScheme(this);
        const QColor ink = Theme::muted.resolve(scheme);
        if (palette().color(QPalette::WindowText) != ink) {
            QPalette p = palette();
            p.setColor(QPalette::WindowText, ink);
            p.setColor(QPalette::Text, ink);
            p.setColor(QPalette::Highlight, Theme::mint.opacity(0.3).resolve(scheme));
            p.setColor(QPalette::HighlightedText, Theme::text.resolve(scheme));
            setPalette(p);
        }
        QLabel::paintEvent(event);
    }
};

} // namespace

MetricCard::MetricCard(const OverviewModel::Card &card, QWidget *parent)
    : Card(16, false, parent)
    , m_anchor(card.anchor)
    , m_title(card.title)
    , m_header(new QHBoxLayout)
    , m_badge(new BadgeChip)
    , m_value(new HeroNumber(card.compactValue ? 18 : 36, Theme::text))
    , m_unavailable(new Unavailable(card.unavailable, 18))
    , m_detail(new DetailText)
    , m_chart(new TimeSeriesChart)
    , m_summary(new SummaryLabel)
{
    setAccessibleName(card.title);
    if (card.compactValue) {
        // A compact value is a phrase ("Read … · Write …"), not one figure.
        m_value->setTracking(0);
    }
    QVBoxLayout *layout = body();
    layout->setSpacing(8);
    layout->setAlignment(Qt::Alignment());

    auto *headerBox = new QWidget;
    // One height for every card, badge or not, so headings in a row line up.
    headerBox->setFixedHeight(24);
    headerBox->setLayout(m_header);
    m_header->setContentsMargins(0, 0, 0, 0);
    m_header->setSpacing(10);
    m_header->addWidget(new SectionLabel(card.title), 0, Qt::AlignVCenter);
    m_header->addStretch(1);
    for (const OverviewModel::Legend &entry : card.legend) {
        auto *pair = new QWidget;
        auto *pairLayout = new QHBoxLayout(pair);
        pairLayout->setContentsMargins(0, 0, 0, 0);
        pairLayout->setSpacing(4);
        pairLayout->addWidget(new Swatch(entry.color), 0, Qt::AlignVCenter);
        auto *name = new TextComponent;
        name->setText(entry.name);
        name->setTextFont(Theme::font(11));
        name->setColor(Theme::muted);
        name->setAccessibleName(entry.name);
        pairLayout->addWidget(name, 0, Qt::AlignVCenter);
        m_header->addWidget(pair, 0, Qt::AlignVCenter);
        m_legendViews.append(pair);
    }
    m_legend = card.legend;
    m_badge->setFont(Theme::font(11, QFont::DemiBold));
    m_badge->hide();
    m_header->addWidget(m_badge, 0, Qt::AlignVCenter);
    layout->addWidget(headerBox);

    auto *valueRow = new QHBoxLayout;
    valueRow->setContentsMargins(0, 0, 0, 0);
    valueRow->setSpacing(8);
    valueRow->addWidget(m_value, 0, Qt::AlignBottom);
    valueRow->addWidget(m_unavailable, 0, Qt::AlignBottom);
    m_detail->setTextFont(Theme::font(11));
    m_detail->setColor(Theme::muted);
    // The detail sits on the big number's baseline: both are bottom-aligned,
    // so the detail is raised by the difference of their descents.
    auto *detailBox = new QWidget;
    auto *detailLayout = new QVBoxLayout(detailBox);
    const qreal raise = QFontMetricsF(Theme::font(card.compactValue ? 18 : 36, QFont::DemiBold)).descent() - QFontMetricsF(Theme::font(11)).descent();
    detailLayout->setContentsMargins(0, 0, 0, std::max(0, qRound(raise)));
    detailLayout->addWidget(m_detail);
    valueRow->addWidget(detailBox, 0, Qt::AlignBottom);
    valueRow->addStretch(1);
    layout->addLayout(valueRow);

    m_chart->setTitle(card.chartTitle);
    m_chart->setChartHeight(chartHeight);
    m_chart->setShowsAxes(true);
    m_chart->setFills(true);
    m_chart->setMarksNow(true);
    if (card.yDomain) {
        m_chart->setYDomain(TimeSeriesChart::ValueRange{card.yDomain->first, card.yDomain->second});
    }
    m_chart->setFormat(card.format);
    layout->addWidget(m_chart);
    layout->addWidget(m_summary);
}

void MetricCard::set(const OverviewModel::Card &card, Timestamp start, Timestamp end)
{
    m_value->setVisible(card.value.has_value());
    m_unavailable->setVisible(!card.value);
    m_unavailable->setReason(card.unavailable);
    if (card.value) {
        m_value->setValue(std::nullopt, *card.value);
        m_value->setColor(card.valueColor.value_or(Theme::text));
        m_value->setAccessibleName(m_title + QStringLiteral(": ") + *card.value);
    }
    m_detail->setVisible(card.detail.has_value());
    m_detail->setText(card.detail.value_or(QString()));
    m_detail->setAccessibleName(card.detail.value_or(QString()));
    static_cast<BadgeChip *>(m_badge)->setBadge(card.badge);
    for (std::size_t i = 0; i < card.legend.size() && i < m_legend.size(); ++i) {
        static_cast<Swatch *>(m_legendViews[static_cast<int>(i)]->findChild<QWidget *>())->setColor(card.legend[i].color);
    }
    m_legend = card.legend;
    m_chart->setXDomain({start, end});
    m_chart->setGaps(card.gaps);
    m_chart->setSeries(card.series);
    if (m_summary->text() != card.summary) {
        m_summary->setText(card.summary);
    }
}

QString MetricCard::badgeText() const
{
    const auto &badge = static_cast<const BadgeChip *>(m_badge)->badge();
    return badge ? badge->text : QString();
}

bool MetricCard::badgeIsAttention() const
{
    const auto &badge = static_cast<const BadgeChip *>(m_badge)->badge();
    return badge && badge->attention;
}

std::vector<ThemeColor> MetricCard::legendColors() const
{
    std::vector<ThemeColor> colors;
    for (const OverviewModel::Legend &entry : m_legend) {
        colors.push_back(entry.color);
    }
    return colors;
}

} // namespace voltmere
