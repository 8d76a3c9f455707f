#pragma once

#include <QString>
#include <QWidget>

namespace voltmere {

// One section of the dashboard's detail column (Overview, Battery, History).
// The window wraps each page in its chrome: the title, the page's own control
// and "Copy summary", which asks the page for its text at the moment of the
// press. Pages are built when the window opens and destroyed when it closes,
// so a page may assume it is on screen or about to be.
class DashboardPage : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;

    // "Overview", "Battery", "History".
    virtual QString title() const = 0;
    // The plain-text summary "Copy summary" puts on the clipboard.
    virtual QString copyText() const = 0;
    // The control shown beside the title (the Overview's time window), or
    // null. Owned by the page.
    virtual QWidget *control() const { return nullptr; }

Q_SIGNALS:
    // The control was replaced (a page whose control depends on its state).
    void controlChanged();
};

} // namespace voltmere
