#pragma once

#include "model/DashboardSection.h"
#include "model/OverviewAnchor.h"

#include <QPointer>
#include <QRect>
#include <QSize>
#include <QWidget>

#include <functional>
#include <optional>

class QMenu;
class QToolButton;

namespace voltmere {

class CPUTile;
class FooterButton;
class InsightRow;
class MemoryTile;
class Monitor;
class PowerTile;
class ReminderRow;
class StatusChip;
class SymbolView;
class TextComponent;
class TileButton;
class WindowOpener;

// The drop-down under the tray icon: a 360-point column with the header,
// how fresh the readings are, the top insight, the power, CPU and memory
// tiles, the charge-reminder row and the "Open Dashboard" button. Every
// clickable part opens the dashboard where that reading is explained.
//
// Cheap while closed: unless "panel" is among the Monitor's open surfaces
// it draws only its background at the last size it had, and reads nothing.
// Main thread only.
class MenuBarPanel : public QWidget {
    Q_OBJECT
public:
    static constexpr int width = 360;
    static inline const QString surface = QStringLiteral("panel");

    // `opener` is the panel's own way to open windows, handed to URL routing
    // when that has none yet; it may be null.
    MenuBarPanel(Monitor &monitor, WindowOpener *opener, QWidget *parent = nullptr);
    ~MenuBarPanel() override;

    // How the panel opens: as the tray's drop-down next to `anchor` (where the
    // tray was clicked, when the tray said), or as an ordinary window where
    // no tray shows the program.
    struct Presentation {
        bool dropDown = true;
        std::optional<QRect> anchor;
    };
    using PresentationProvider = std::function<Presentation()>;
    // The panel's window, reporting itself as the surface "panel". Each time
    // it opens it asks `presentation`: a drop-down is frameless, placed at
    // the anchor (or the top-right corner of the screen) and closes when it
    // loses focus or on Escape; a window is framed and stays until closed.
    static MenuBarPanel *createWindow(Monitor &monitor, WindowOpener *opener, PresentationProvider presentation);
    // The top-left corner for a panel of `size` dropping from `anchor` on a
    // screen whose free area is `available`.
    static QPoint placement(const std::optional<QRect> &anchor, const QSize &size, const QRect &available);

    // The one way into the dashboard: switches its section when it differs,
    // always sets the Overview's scroll target (absent clears it), opens
    // "dashboard" and brings the program forward.
    void open(DashboardSection section, std::optional<OverviewAnchor> anchor);

    // True while the live column shows; false in the background-only state.
    bool isLive() const;
    std::optional<QSize> lastSize() const { return m_lastSize; }

    // Parts, for tests and the render tool.
    TileButton *powerButton() const { return m_powerButton; }
    TileButton *cpuButton() const { return m_cpuButton; }
    TileButton *memoryButton() const { return m_memoryButton; }
    PowerTile *powerTile() const { return m_powerTile; }
    CPUTile *cpuTile() const { return m_cpuTile; }
    MemoryTile *memoryTile() const { return m_memoryTile; }
    InsightRow *insightRow() const { return m_insightRow; }
    ReminderRow *reminderRow() const { return m_reminderRow; }
    StatusChip *statusChip() const { return m_chip; }
    FooterButton *footer() const { return m_footer; }
    QMenu *optionsMenu() const { return m_menu; }
    TextComponent *freshnessText() const { return m_freshText; }

    QSize sizeHint() const override;
    void setVisible(bool visible) override;

public Q_SLOTS:
    // Re-reads the Monitor and the preferences into the column.
    void refresh();

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildHeader();
    void buildOptionsMenu();
    void relayout();
    bool wantsLive() const;
    void closeDropDown();

    Monitor &m_monitor;
    WindowOpener *m_opener;
    void present(bool dropDown);
    // Moves the drop-down next to `m_anchor` at its present size.
    void place();

    PresentationProvider m_presentation; // set by createWindow
    bool m_dropDown = false; // showing as the tray's drop-down
    std::optional<QRect> m_anchor; // where the open drop-down hangs from
    std::optional<QSize> m_lastSize;

    QWidget *m_column;
    StatusChip *m_chip = nullptr;
    QToolButton *m_options = nullptr;
    SymbolView *m_optionsSymbol = nullptr;
    QMenu *m_menu = nullptr;
    QString m_optionsLook;
    QWidget *m_freshDot = nullptr;
    TextComponent *m_freshText = nullptr;
    InsightRow *m_insightRow;
    PowerTile *m_powerTile;
    CPUTile *m_cpuTile;
    MemoryTile *m_memoryTile;
    TileButton *m_powerButton;
    TileButton *m_cpuButton;
    TileButton *m_memoryButton;
    ReminderRow *m_reminderRow;
    FooterButton *m_footer;
};

} // namespace voltmere
