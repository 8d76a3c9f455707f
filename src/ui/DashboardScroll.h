#pragma once

#include <QWidget>

class QScrollArea;

namespace voltmere {

// Makes a page's content scroll vertically, with visible scroll bars; in a
// still image the content is drawn as it is, at its full height. The scroll
// owns the content. Main thread only.
class DashboardScroll : public QWidget {
    Q_OBJECT
public:
    explicit DashboardScroll(QWidget *content, QWidget *parent = nullptr);

    QWidget *content() const { return m_content; }
    // Null in a still image.
    QScrollArea *scrollArea() const;
    // Scrolls so that the top of `target` (inside the content) meets the top
    // of the visible area, over `durationMs` (0: at once); a target the
    // layout moves meanwhile is followed to where it ends up.
    void scrollToTop(const QWidget *target, int durationMs);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void applyMode();

    QWidget *m_content;
    QScrollArea *m_area;
};

} // namespace voltmere
