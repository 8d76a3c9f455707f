#pragma once

#include <QAbstractButton>
#include <QWidget>

namespace voltmere {

// One segment of a segmented control: its label centred, on a raised
// card-coloured pill while chosen. Every segmented control of the dashboard
// uses it, so the pages built separately look like one program.
class SegmentButton final : public QAbstractButton {
    Q_OBJECT
public:
    static constexpr qreal trackRadius = 7;
    static constexpr int height = 24;

    explicit SegmentButton(const QString &text, QWidget *parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    void becomeTabStop();

    bool m_keyboardFocus = false;
};

// The track the segments sit on.
class SegmentTrack final : public QWidget {
    Q_OBJECT
public:
    explicit SegmentTrack(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
};

} // namespace voltmere
