#pragma once

#include "dashboard/view/DashboardChrome.h"
#include "model/DashboardSection.h"

#include <QPointer>
#include <QWidget>

#include <array>
#include <functional>

class QAbstractButton;
class QButtonGroup;
class QSplitter;

namespace voltmere {

class DashboardChrome;
class DashboardPage;
class Monitor;
class SelfUsageFooter;

// The dashboard window's root: a sidebar (wordmark, the three sections,
// what Voltmere costs) beside the chosen section's page on the aurora
// background. The section is the Monitor's, so the panel, the tray menu,
// addresses and the sidebar all move the same window, and it survives
// closing. While the window is closed nothing is built: the root is empty
// and follows nothing. Main thread only.
class DashboardView : public QWidget {
    Q_OBJECT
public:
    static inline const QString surface = QStringLiteral("dashboard");
    static constexpr int minimumWindowWidth = 860;
    static constexpr int minimumWindowHeight = 600;
    static constexpr int sidebarMinimum = 190;
    static constexpr int sidebarIdeal = 210;
    static constexpr int sidebarMaximum = 260;

    // Makes a new page for a section. The pages come from several subsystems
    // (the History page is the history views'), so whoever builds the window
    // decides which page each section gets.
    using PageFactory = std::function<DashboardPage *(DashboardSection)>;

    DashboardView(Monitor &monitor, PageFactory pages, QWidget *parent = nullptr);
    ~DashboardView() override;

    // The dashboard as a top-level window that reports itself as the surface
    // "dashboard" and gives the program a taskbar entry while open.
    static DashboardView *createWindow(Monitor &monitor, PageFactory pages);

    // A choice in the sidebar: written to the Monitor only when it differs.
    void choose(DashboardSection section);

    // True while the sidebar and a page exist (the window is open).
    bool isBuilt() const { return m_body != nullptr; }
    DashboardChrome *chrome() const { return m_chrome; }
    DashboardPage *page() const;
    // The section the shown page belongs to.
    std::optional<DashboardSection> shownSection() const;
    QAbstractButton *sidebarRow(DashboardSection section) const;
    SelfUsageFooter *footer() const { return m_footer; }

    QSize sizeHint() const override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void followOpen();
    void build();
    void tearDown();
    void showSection();
    void followVisibility();

    Monitor &m_monitor;
    PageFactory m_pages;
    QSplitter *m_body = nullptr;
    QWidget *m_detail = nullptr;
    QButtonGroup *m_rows = nullptr;
    SelfUsageFooter *m_footer = nullptr;
    QPointer<DashboardChrome> m_chrome;
    std::optional<DashboardSection> m_shown;
    std::array<QMetaObject::Connection, 2> m_follow;
};

} // namespace voltmere
