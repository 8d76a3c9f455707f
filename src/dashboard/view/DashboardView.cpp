#include "dashboard/view/DashboardView.h"

#include "dashboard/view/DashboardChrome.h"
#include "dashboard/view/SelfUsageFooter.h"
#include "monitor/Monitor.h"
#include "platform/ActivationPolicy.h"
#include "ui/AuroraBackground.h"
#include "ui/DashboardPage.h"
#include "ui/Environment.h"
#include "ui/FocusRing.h"
#include "ui/Symbols.h"
#include "ui/Theme.h"
#include "ui/VisibilityReporter.h"
#include "ui/Wordmark.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QKeyEvent>
#include <QPainter>
#include <QSplitter>
#include <QVBoxLayout>

namespace voltmere {

namespace {

struct SectionRow {
    DashboardSection section;
    const char16_t *label;
    const char16_t *symbol;
};

constexpr SectionRow sectionRows[] = {
    {DashboardSection::overview, u"Overview", u"gauge.with.dots.needle.33percent"},
    {DashboardSection::battery, u"Battery", u"battery.75percent"},
    {DashboardSection::history, u"History", u"clock.arrow.circlepath"},
};

constexpr qreal rowRadius = 7;

// One section in the sidebar: its symbol and name, on a mint wash while chosen.
class SidebarRow final : public QAbstractButton {
public:
    SidebarRow(const QString &label, const QString &symbol)
        : m_symbol(symbol)
    {
        setText(label);
        setAccessibleName(label);
        setCheckable(true);
        setAutoExclusive(true);
        setFixedHeight(30);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        setCursor(Qt::PointingHandCursor);
        FocusRing::attach(this, rowRadius);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const ColorScheme scheme = Environment::colorScheme(this);
        if (isChecked()) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(Theme::mint.opacity(0.16).resolve(scheme));
            painter.drawRoundedRect(QRectF(rect()), rowRadius, rowRadius);
        }
        const ThemeColor ink = isChecked() ? Theme::mint : Theme::text;
        Symbols::paint(painter, QRectF(10, (height() - 16) / 2.0, 16, 16), m_symbol, ink.resolve(scheme));
        painter.setFont(Theme::font(13, QFont::Medium));
        painter.setPen(Theme::text.resolve(scheme));
        painter.drawText(QRectF(rect()).adjusted(34, 0, -8, 0), Qt::AlignVCenter | Qt::AlignLeft, text());
    }

private:
    QString m_symbol;
};

// The sidebar's flat base with a hairline towards the detail column.
class Sidebar final : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        const ColorScheme scheme = Environment::colorScheme(this);
        painter.fillRect(rect(), Theme::windowBase.resolve(scheme));
        painter.fillRect(QRect(width() - 1, 0, 1, height()), Theme::cardStroke.resolve(scheme));
    }
};

} // namespace

DashboardView::DashboardView(Monitor &monitor, PageFactory pages, QWidget *parent)
    : QWidget(parent)
    , m_monitor(monitor)
    , m_pages(std::move(pages))
{
    setMinimumSize(minimumWindowWidth, minimumWindowHeight);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    connect(&monitor, &Monitor::openSurfacesChanged, this, &DashboardView::followOpen);
    followOpen();
}

DashboardView::~DashboardView()
{
    // The pages go before the Monitor connections they hold could fire.
    tearDown();
}

DashboardView *DashboardView::createWindow(Monitor &monitor, PageFactory pages)
{
    auto *view = new DashboardView(monitor, std::move(pages));
    view->setWindowTitle(QStringLiteral("Voltmere"));
    view->resize(view->sizeHint());
    new VisibilityReporter(view, surface, true, false, monitor, ActivationPolicy::shared());
    return view;
}

QSize DashboardView::sizeHint() const
{
    return {1120, 780};
}

void DashboardView::followOpen()
{
    const bool open = m_monitor.openSurfaces().contains(surface);
    if (open && !m_body) {
        build();
    } else if (!open && m_body) {
        tearDown();
    }
}

void DashboardView::build()
{
    m_body = new QSplitter(Qt::Horizontal);
    m_body->setChildrenCollapsible(false);
    m_body->setHandleWidth(1);

    auto *sidebar = new Sidebar;
    sidebar->setMinimumWidth(sidebarMinimum);
    sidebar->setMaximumWidth(sidebarMaximum);
    auto *column = new QVBoxLayout(sidebar);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    auto *wordmark = new Wordmark(16);
    auto *wordmarkBox = new QVBoxLayout;
    // Without a title bar over the sidebar, the extra top space puts the
    // wordmark on the line of the page title beside it.
    wordmarkBox->setContentsMargins(16, 6 + 12, 16, 12);
    wordmarkBox->addWidget(wordmark, 0, Qt::AlignLeft);
    column->addLayout(wordmarkBox);

    auto *rows = new QVBoxLayout;
    rows->setContentsMargins(10, 0, 10, 0);
    rows->setSpacing(2);
    m_rows = new QButtonGroup(sidebar);
    for (const SectionRow &row : sectionRows) {
        auto *button = new SidebarRow(QString::fromUtf16(row.label), QString::fromUtf16(row.symbol));
        button->installEventFilter(this);
        m_rows->addButton(button, static_cast<int>(row.section));
        rows->addWidget(button);
    }
    connect(m_rows, &QButtonGroup::idClicked, this,
            [this](int id) { choose(static_cast<DashboardSection>(id)); });
    column->addLayout(rows);
    column->addStretch(1);
    m_footer = new SelfUsageFooter(m_monitor);
    auto *footerBox = new QVBoxLayout;
    footerBox->setContentsMargins(12, 12, 12, 12);
    footerBox->addWidget(m_footer);
    column->addLayout(footerBox);

    m_detail = new AuroraBackground;
    auto *detailLayout = new QVBoxLayout(m_detail);
    detailLayout->setContentsMargins(0, 0, 0, 0);

    m_body->addWidget(sidebar);
    m_body->addWidget(m_detail);
    m_body->setStretchFactor(0, 0);
    m_body->setStretchFactor(1, 1);
    m_body->setSizes({sidebarIdeal, std::max(width(), minimumWindowWidth) - sidebarIdeal});
    layout()->addWidget(m_body);

    m_follow = {
        connect(&m_monitor, &Monitor::sectionChanged, this, &DashboardView::showSection),
        connect(&m_monitor, &Monitor::visibleSurfacesChanged, this, &DashboardView::followVisibility),
    };
    showSection();
    followVisibility();
}

void DashboardView::tearDown()
{
    for (QMetaObject::Connection &connection : m_follow) {
        disconnect(connection);
    }
    delete m_body;
    m_body = nullptr;
    m_detail = nullptr;
    m_rows = nullptr;
    m_footer = nullptr;
    m_shown.reset();
}

void DashboardView::showSection()
{
    const DashboardSection section = m_monitor.section();
    if (QAbstractButton *row = sidebarRow(section)) {
        row->setChecked(true);
        // A section chosen elsewhere (an address, a tile, the menu) takes the
        // sidebar's focus along, or the ring would stay on the old row and
        // look like a second choice.
        // The window's own focus counts, even while the panel is the active window.
        auto *focused = qobject_cast<QAbstractButton *>(window()->focusWidget());
        if (focused && focused != row && m_rows->id(focused) != -1) {
            row->setFocus(Qt::OtherFocusReason);
        }
    }
    if (m_shown == section && m_chrome) {
        return;
    }
    // A page is rebuilt for each visit, which also resets its copy confirmation.
    delete m_chrome.data();
    DashboardPage *page = m_pages(section);
    m_chrome = new DashboardChrome(page);
    m_detail->layout()->addWidget(m_chrome);
    m_shown = section;
}

void DashboardView::followVisibility()
{
    if (m_detail) {
        Environment::setAnimatesLive(m_detail, !Environment::staticRender(this)
                                                   && m_monitor.visibleSurfaces().contains(surface));
    }
}

void DashboardView::choose(DashboardSection section)
{
    if (m_monitor.section() != section) {
        m_monitor.setSection(section);
    }
}

DashboardPage *DashboardView::page() const
{
    return m_chrome ? m_chrome->page() : nullptr;
}

std::optional<DashboardSection> DashboardView::shownSection() const
{
    return m_shown;
}

QAbstractButton *DashboardView::sidebarRow(DashboardSection section) const
{
    return m_rows ? m_rows->button(static_cast<int>(section)) : nullptr;
}

// Up and Down move through the sections, as in a list.
bool DashboardView::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && m_rows) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            const int id = m_rows->id(qobject_cast<QAbstractButton *>(watched));
            const int next = id + (key == Qt::Key_Down ? 1 : -1);
            if (QAbstractButton *row = m_rows->button(next)) {
                row->setFocus(Qt::TabFocusReason);
                choose(static_cast<DashboardSection>(next));
            }
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace voltmere
