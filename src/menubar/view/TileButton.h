#pragma once

#include <QAbstractButton>

namespace voltmere {

// A clickable card around one of the panel's tiles: the content padded 16
// on a card surface (corner radius 12) that lights up under the pointer,
// with a small arrow in the top trailing corner while hovered. The whole
// card is the hit area. Main thread only.
class TileButton : public QAbstractButton {
    Q_OBJECT
public:
    static constexpr int padding = 16;
    static constexpr qreal cornerRadius = 12;

    // `label` names the dashboard place the tile opens ("Battery", "CPU",
    // "Memory"); the button takes over `content`.
    TileButton(const QString &label, QWidget *content, QWidget *parent = nullptr);

    const QString &label() const { return m_label; }
    QWidget *content() const { return m_content; }
    bool isHovering() const { return m_hovering; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override;
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    QString m_label;
    QWidget *m_content;
    bool m_hovering = false;
};

} // namespace voltmere
