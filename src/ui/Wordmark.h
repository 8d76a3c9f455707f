#pragma once

#include <QWidget>

namespace voltmere {

// The product name as a wordmark: "Volt" in the text colour followed by
// "mere" in mint, bold and wide, on one line. Read as the one word
// "Voltmere", as a heading.
class Wordmark : public QWidget {
    Q_OBJECT
public:
    explicit Wordmark(qreal size, QWidget *parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QFont wordFont() const;

    qreal m_size;
};

} // namespace voltmere
