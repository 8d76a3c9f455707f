#include "dashboard/view/OverviewView.h"

#include "dashboard/view/MetricCard.h"
#include "dashboard/view/OverviewModel.h"
#include "dashboard/view/OverviewSkeleton.h"
#include "dashboard/view/ProcessTable.h"
#include "dashboard/view/WindowPicker.h"
#include "monitor/Monitor.h"
#include "preferences/Preferences.h"
#include "ui/DashboardScroll.h"
#include "ui/TimeSeriesChart.h"

#include <QCoreApplication>
#include <QGridLayout>
#include <QTimer>
#include <QVBoxLayout>

namespace voltmere {

OverviewView::OverviewView(Monitor &monitor, QWidget *parent)
    : DashboardPage(parent)
    , m_monitor(monitor)
    , m_picker(new WindowPicker(monitor.prefs().overviewWindowMinutes(), this))
    , m_skeleton(new OverviewSkeleton)
    , m_body(new QWidget)
    , m_grid(new QGridLayout)
{
    auto *content = new QWidget;
    auto *column = new QVBoxLayout(content);
    column->setContentsMargins(16, 16, 16, 16);
    column->setSpacing(16);
    column->addWidget(m_skeleton);
    column->addWidget(m_body);
    column->addStretch(1);
    auto *bodyLayout = new QVBoxLayout(m_body);
    bodyLayout->setContentsMargins(0, 0, 0, 0);
    bodyLayout->setSpacing(16);
    m_grid->setHorizontalSpacing(16);
    m_grid->setVerticalSpacing(16);
    m_grid->setColumnStretch(0, 1);
    m_grid->setColumnStretch(1, 1);
    m_grid->setColumnMinimumWidth(0, 10);
    m_grid->setColumnMinimumWidth(1, 10);
    bodyLayout->addLayout(m_grid);
    m_body->hide();

    m_scroll = new DashboardScroll(content);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_scroll);

    Preferences &prefs = monitor.prefs();
    connect(m_picker, &WindowPicker::minutesChosen, &prefs, &Preferences::setOverviewWindowMinutes);
    connect(&prefs, &Preferences::overviewWindowMinutesChanged, this, [this] {
        m_picker->setMinutes(m_monitor.prefs().overviewWindowMinutes());
        scheduleRefresh();
    });
    // Every round appends to the hour after publishing the latest reading.
    connect(&monitor, &Monitor::snapshotsChanged, this, &OverviewView::scheduleRefresh);
    // Gap labels name the sleeps the Monitor has seen.
    connect(&monitor, &Monitor::sleepIntervalsChanged, this, &OverviewView::scheduleRefresh);
    connect(&monitor, &Monitor::overviewAnchorChanged, this, &OverviewView::serveAnchor);
    refresh();
}

QString OverviewView::title() const
{
    return QStringLiteral("Overview");
}

QString OverviewView::copyText() const
{
    return OverviewModel::build(m_monitor, m_monitor.prefs().overviewWindowMinutes()).summary;
}

QWidget *OverviewView::control() const
{
    return m_picker;
}

bool OverviewView::isShowingSkeleton() const
{
    return !m_skeleton->isHidden();
}

MetricCard *OverviewView::card(OverviewAnchor anchor) const
{
    for (MetricCard *card : m_cards) {
        if (card && card->anchor() == anchor) {
            return card;
        }
    }
    return nullptr;
}

QWidget *OverviewView::anchorTarget(OverviewAnchor anchor) const
{
    if (anchor == OverviewAnchor::processes) {
        return m_table;
    }
    return card(anchor);
}

void OverviewView::scheduleRefresh()
{
    // Several signals of one round (and a preference change in between)
    // make one refresh.
    if (m_refreshPending) {
        return;
    }
    m_refreshPending = true;
    QTimer::singleShot(0, this, &OverviewView::refresh);
}

void OverviewView::refresh()
{
    m_refreshPending = false;
    const std::optional<Snapshot> &latest = m_monitor.latest();
    if (!latest) {
        m_skeleton->show();
        m_body->hide();
        return;
    }
    const OverviewModel::Page page = OverviewModel::build(m_monitor, m_monitor.prefs().overviewWindowMinutes());
    if (!m_table) {
        for (std::size_t i = 0; i < page.cards.size(); ++i) {
            auto *card = new MetricCard(page.cards[i]);
            card->chart()->setClock(m_monitor.clock());
            m_cards[i] = card;
            m_grid->addWidget(card, static_cast<int>(i) / 2, static_cast<int>(i) % 2);
        }
        m_table = new ProcessTable;
        static_cast<QVBoxLayout *>(m_body->layout())->addWidget(m_table);
    }
    for (std::size_t i = 0; i < page.cards.size(); ++i) {
        m_cards[i]->set(page.cards[i], page.start, page.end);
    }
    m_table->setLatest(latest);
    if (m_skeleton->isVisibleTo(this) || m_body->isHidden()) {
        m_skeleton->hide();
        m_body->show();
    }
    if (m_anchorPending) {
        serveAnchor();
    }
}

void OverviewView::showEvent(QShowEvent *event)
{
    DashboardPage::showEvent(event);
    serveAnchor();
}

void OverviewView::serveAnchor()
{
    if (!m_monitor.overviewAnchor() || !isVisible()) {
        return;
    }
    // Before the first reading there are no cards to scroll to; the first
    // round that builds them serves the request.
    if (!m_table) {
        m_anchorPending = true;
        return;
    }
    m_anchorPending = false;
    QTimer::singleShot(0, this, [this] {
        const std::optional<OverviewAnchor> anchor = m_monitor.overviewAnchor();
        if (!anchor) {
            return;
        }
        // A page made in this same turn (a tile pressed while the window was
        // closed or on another section) still has layout requests queued,
        // nested one level per request; until they are served its cards have
        // no place and the scroll range stops short of them.
        for (int pass = 0; pass < 8; ++pass) {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        }
        m_scroll->scrollToTop(anchorTarget(*anchor), scrollMs);
        if (m_monitor.overviewAnchor()) {
            m_monitor.setOverviewAnchor(std::nullopt);
        }
    });
}

} // namespace voltmere
