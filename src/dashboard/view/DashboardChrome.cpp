#include "dashboard/view/DashboardChrome.h"

#include "ui/DashboardPage.h"
#include "ui/Environment.h"
#include "ui/FocusRing.h"
#include "ui/Symbols.h"
#include "ui/TextComponent.h"
#include "ui/Theme.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QClipboard>
#include <QEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QShortcut>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace voltmere {

namespace {

constexpr const char *headingKey = "voltmere.heading";

// The page title is announced as a heading, as a window's title bar would be.
class HeadingAccessible final : public QAccessibleWidget {
public:
    explicit HeadingAccessible(QWidget *widget)
        : QAccessibleWidget(widget, QAccessible::Heading)
    {
    }
};

QAccessibleInterface *headingFactory(const QString &, QObject *object)
{
    auto *widget = qobject_cast<QWidget *>(object);
    if (widget && widget->property(headingKey).toBool()) {
        return new HeadingAccessible(widget);
    }
    return nullptr;
}

void defaultSchedule(int ms, QObject *context, std::function<void()> work)
{
    QTimer::singleShot(ms, context, std::move(work));
}

} // namespace

DashboardChrome::DashboardChrome(DashboardPage *page, QWidget *parent)
    : DashboardChrome(page, defaultSchedule, parent)
{
}

DashboardChrome::DashboardChrome(DashboardPage *page, Scheduler scheduler, QWidget *parent)
    : QWidget(parent)
    , m_page(page)
    , m_schedule(std::move(scheduler))
    , m_header(new QWidget)
    , m_headerLayout(new QHBoxLayout(m_header))
    , m_title(new TextComponent)
    , m_copyButton(new QToolButton)
    , m_shortcut(new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C), this))
{
    static const bool installed = [] {
        QAccessible::installFactory(headingFactory);
        return true;
    }();
    Q_UNUSED(installed);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    m_headerLayout->setSpacing(8);
    m_title->setText(page->title());
    m_title->setAccessibleName(page->title());
    m_title->setProperty(headingKey, true);
    m_title->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_headerLayout->addWidget(m_title, 1, Qt::AlignVCenter);

    m_copyButton->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_copyButton->setAutoRaise(true);
    m_copyButton->setCursor(Qt::PointingHandCursor);
    m_copyButton->setToolTip(QStringLiteral("Copies the text summaries on this page"));
    m_copyButton->setFont(Theme::font(12, QFont::Medium));
    FocusRing::attach(m_copyButton, 6);
    connect(m_copyButton, &QToolButton::clicked, this, &DashboardChrome::copySummary);
    m_headerLayout->addWidget(m_copyButton, 0, Qt::AlignVCenter);
    m_shortcut->setContext(Qt::WindowShortcut);
    connect(m_shortcut, &QShortcut::activated, this, &DashboardChrome::copySummary);

    layout->addWidget(m_header);
    layout->addWidget(page, 1);
    connect(page, &DashboardPage::controlChanged, this, &DashboardChrome::placeControl);
    placeControl();
    refreshButton();
    // Wide enough for the longer label, so the confirmation does not move
    // the control beside it.
    m_copyWidth = m_copyButton->sizeHint().width();
    m_copyButton->setMinimumWidth(m_copyWidth);
    applyMode();
}

void DashboardChrome::placeControl()
{
    QWidget *control = m_page->control();
    if (control == m_control) {
        return;
    }
    if (m_control) {
        m_headerLayout->removeWidget(m_control);
    }
    m_control = control;
    if (control) {
        // Between the title and the copy button.
        m_headerLayout->insertWidget(1, control, 0, Qt::AlignVCenter);
        orderTabs();
    }
    fitCopyButton();
}

void DashboardChrome::fitCopyButton()
{
    const QMargins margins = m_headerLayout->contentsMargins();
    int needed = margins.left() + margins.right() + m_title->sizeHint().width() + m_headerLayout->spacing() +
                 m_copyWidth;
    if (m_control && !m_control->isHidden()) {
        needed += m_control->sizeHint().width() + m_headerLayout->spacing();
    }
    const bool roomy = needed <= width();
    const Qt::ToolButtonStyle style = roomy ? Qt::ToolButtonTextBesideIcon : Qt::ToolButtonIconOnly;
    if (m_copyButton->toolButtonStyle() == style) {
        return;
    }
    m_copyButton->setToolButtonStyle(style);
    m_copyButton->setMinimumWidth(roomy ? m_copyWidth : 0);
}

void DashboardChrome::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    fitCopyButton();
}

// The control arrives after the copy button and the chain is rebuilt when
// the chrome moves into its window; Tab should still go left to right.
void DashboardChrome::orderTabs()
{
    if (!m_control) {
        return;
    }
    QWidget *last = nullptr;
    for (QWidget *widget = m_control->nextInFocusChain(); widget != m_control; widget = widget->nextInFocusChain()) {
        if (m_control->isAncestorOf(widget) && widget->focusPolicy() != Qt::NoFocus) {
            last = widget;
        }
    }
    if (last) {
        QWidget::setTabOrder(last, m_copyButton);
    }
}

void DashboardChrome::copySummary()
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(m_page->copyText());
    setCopied(true);
    const int generation = ++m_copyGeneration;
    // An older wait must not end a newer confirmation; the context ends the
    // wait when the page is rebuilt.
    m_schedule(confirmationMs, this, [this, generation] {
        if (m_copyGeneration == generation) {
            setCopied(false);
        }
    });
}

void DashboardChrome::setCopied(bool copied)
{
    if (m_copied == copied) {
        return;
    }
    m_copied = copied;
    refreshButton();
}

void DashboardChrome::refreshButton()
{
    const QString text = m_copied ? QStringLiteral("Copied") : QStringLiteral("Copy summary");
    m_copyButton->setText(text);
    m_copyButton->setAccessibleName(text);
    const ColorScheme scheme = Environment::colorScheme(this);
    const QString symbol = m_copied ? QStringLiteral("checkmark") : QStringLiteral("doc.on.doc");
    m_copyButton->setIcon(QIcon(Symbols::pixmap(symbol, 14, (m_copied ? Theme::mint : Theme::text).resolve(scheme),
                                                devicePixelRatioF())));
    QPalette palette = m_copyButton->palette();
    palette.setColor(QPalette::ButtonText, Theme::text.resolve(scheme));
    m_copyButton->setPalette(palette);
}

void DashboardChrome::applyMode()
{
    const bool still = Environment::staticRender(this);
    // The still image has no toolbar, so its bar carries a larger title.
    m_title->setTextFont(Theme::font(still ? 22 : 18, QFont::DemiBold, true));
    m_title->setColor(Theme::text);
    m_headerLayout->setContentsMargins(16, 16, 16, 8);
    m_shortcut->setEnabled(!still);
}

void DashboardChrome::showEvent(QShowEvent *event)
{
    applyMode();
    orderTabs();
    refreshButton();
    fitCopyButton();
    QWidget::showEvent(event);
}

void DashboardChrome::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::PaletteChange) {
        refreshButton();
    }
    QWidget::changeEvent(event);
}

} // namespace voltmere
