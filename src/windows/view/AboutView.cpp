#include "windows/view/AboutView.h"

#include "platform/ActivationPolicy.h"
#include "ui/VisibilityReporter.h"
#include "windows/view/AboutContent.h"
#include "windows/view/WindowKeys.h"

#include <QKeySequence>
#include <QScrollArea>
#include <QVBoxLayout>

namespace voltmere {

AboutView::AboutView(QWidget *parent)
    : AuroraBackground(parent)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scrolling(false, 24));
    resize(width, height);
}

AboutView *AboutView::createWindow(Monitor &monitor)
{
    auto *view = new AboutView;
    view->setWindowTitle(QStringLiteral("About Voltmere"));
    view->setAttribute(Qt::WA_DeleteOnClose);
    view->setFixedSize(width, height);
    new VisibilityReporter(view, QStringLiteral("about"), true, false, monitor, ActivationPolicy::shared());
    WindowKeys::closeOnDismissKeys(view);
    return view;
}

QScrollArea *AboutView::scrolling(bool compact, int padding)
{
    auto *page = new QWidget;
    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(padding, padding, padding, padding);
    layout->addWidget(new AboutContent(compact));
    layout->addStretch(1);

    auto *scroll = new QScrollArea;
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setWidget(page);
    // setWidget() makes the page paint a background; the aurora shows through instead.
    page->setAutoFillBackground(false);
    scroll->viewport()->setAutoFillBackground(false);
    scroll->setAutoFillBackground(false);
    return scroll;
}

AboutContent *AboutView::content() const
{
    return findChild<AboutContent *>();
}

} // namespace voltmere
