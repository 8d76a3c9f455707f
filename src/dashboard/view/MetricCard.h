#pragma once

#include "dashboard/view/OverviewModel.h"
#include "ui/Card.h"

#include <QLabel>

class QHBoxLayout;

namespace voltmere {

class HeroNumber;
class TextComponent;
class TimeSeriesChart;
class Unavailable;

// One Overview card: a heading with the legend and a status badge, the
// latest value large (or "Unavailable" with its reason), a detail line, the
// chart of the window and one sentence about it that can be selected and
// copied. Read as one container named by its title. Main thread only.
class MetricCard : public Card {
    Q_OBJECT
public:
    static constexpr qreal chartHeight = 150;

    // The heading and the value size are fixed by `card`.
    explicit MetricCard(const OverviewModel::Card &card, QWidget *parent = nullptr);

    // Shows new values (and the reason for a missing one) over the chart
    // range start … end; parts that did not change are not repainted.
    void set(const OverviewModel::Card &card, Timestamp start, Timestamp end);

    OverviewAnchor anchor() const { return m_anchor; }
    HeroNumber *valueText() const { return m_value; }
    Unavailable *unavailableText() const { return m_unavailable; }
    TextComponent *detailText() const { return m_detail; }
    TimeSeriesChart *chart() const { return m_chart; }
    QLabel *summaryText() const { return m_summary; }
    // The badge's text and whether it asks for attention; empty without one.
    QString badgeText() const;
    bool badgeIsAttention() const;
    // The legend's swatch colours, in order.
    std::vector<ThemeColor> legendColors() const;

private:
    OverviewAnchor m_anchor;
    QString m_title;
    QHBoxLayout *m_header;
    std::vector<OverviewModel::Legend> m_legend;
    QList<QWidget *> m_legendViews;
    QWidget *m_badge;
    HeroNumber *m_value;
    Unavailable *m_unavailable;
    TextComponent *m_detail;
    TimeSeriesChart *m_chart;
    QLabel *m_summary;
};

} // namespace voltmere
