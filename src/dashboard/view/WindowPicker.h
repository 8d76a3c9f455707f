#pragma once

#include <QWidget>

#include <array>

class QAbstractButton;
class QButtonGroup;

namespace voltmere {

class TextComponent;

// The Overview's time window: a segmented control of 1, 5 and 15 minutes
// and one hour, 260 points wide; drawn still as a chip with the chosen
// window. It only shows and reports a choice; the owner keeps the value.
// Main thread only.
class WindowPicker : public QWidget {
    Q_OBJECT
public:
    static constexpr int width = 260;
    static constexpr std::array<int, 4> choices{1, 5, 15, 60};

    explicit WindowPicker(int minutes, QWidget *parent = nullptr);

    int minutes() const { return m_minutes; }
    // Shows `minutes` as chosen; does not report it.
    void setMinutes(int minutes);

    // The segment's and the chip's text: "1 hour" for 60, else "<n> min".
    static QString label(int minutes);
    // The segment buttons, in order.
    QList<QAbstractButton *> segments() const;

Q_SIGNALS:
    // The user chose a different window.
    void minutesChosen(int minutes);

protected:
    void showEvent(QShowEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void applyMode();

    int m_minutes;
    QWidget *m_segmentsBox;
    QButtonGroup *m_group;
    TextComponent *m_chip;
};

} // namespace voltmere
