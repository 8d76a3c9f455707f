#pragma once

#include <QPointer>
#include <QWidget>

#include <functional>

class QHBoxLayout;
class QShortcut;
class QToolButton;

namespace voltmere {

class DashboardPage;
class TextComponent;

// The header of a dashboard page above the page itself: the page's title,
// its control, and "Copy summary", which puts the page's text on the
// clipboard and says "Copied" for 1.4 seconds after the last copy
// (Ctrl+Shift+C does the same); where the row is too narrow for its words
// (the History page in the narrowest window) the button shows only its
// symbol, keeping its name and tooltip. The still form draws the same bar
// larger, without a live button. The chrome owns the page. Main thread only.
class DashboardChrome : public QWidget {
    Q_OBJECT
public:
    static constexpr int confirmationMs = 1400;
    // Runs `work` after `ms` milliseconds unless `context` is gone by then.
    using Scheduler = std::function<void(int ms, QObject *context, std::function<void()> work)>;

    explicit DashboardChrome(DashboardPage *page, QWidget *parent = nullptr);
    // With a scheduler of the test's own, so the confirmation's timing can be
    // stepped by hand.
    DashboardChrome(DashboardPage *page, Scheduler scheduler, QWidget *parent = nullptr);

    DashboardPage *page() const { return m_page; }
    bool isShowingCopied() const { return m_copied; }
    int copyGeneration() const { return m_copyGeneration; }
    QToolButton *copyButton() const { return m_copyButton; }
    TextComponent *titleText() const { return m_title; }

public Q_SLOTS:
    // Copies the page's summary and shows the confirmation.
    void copySummary();

protected:
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void placeControl();
    void orderTabs();
    void setCopied(bool copied);
    void applyMode();
    void refreshButton();
    void fitCopyButton();

    DashboardPage *m_page;
    Scheduler m_schedule;
    QWidget *m_header;
    QHBoxLayout *m_headerLayout;
    TextComponent *m_title;
    QPointer<QWidget> m_control;
    QToolButton *m_copyButton;
    QShortcut *m_shortcut;
    int m_copyWidth = 0; // with the longer of its two labels
    bool m_copied = false;
    int m_copyGeneration = 0;
};

} // namespace voltmere
