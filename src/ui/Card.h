#pragma once

#include <QWidget>

class QVBoxLayout;

namespace voltmere {

// Content on a card surface (corner radius 14): padded by `padding`,
// stretched to the full width, leading-aligned. Add content to body().
class Card : public QWidget {
    Q_OBJECT
public:
    static constexpr qreal cornerRadius = 14;

    explicit Card(int padding = 16, bool highlighted = false, QWidget *parent = nullptr);

    QVBoxLayout *body() const { return m_body; }
    bool isHighlighted() const { return m_highlighted; }
    void setHighlighted(bool highlighted);

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    QVBoxLayout *m_body;
    bool m_highlighted;
};

} // namespace voltmere
