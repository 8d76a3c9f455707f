#pragma once

#include "model/Insight.h"

#include <QAbstractButton>
#include <QWidget>

namespace voltmere {

class SymbolView;
class TextComponent;
class WrappingText;

// The panel's smaller pieces: the insight row, the charge-reminder row, the
// header's status chip and the footer button. Main thread only.

// The top insight: a tinted card with a mark on its leading edge, the
// symbol for its severity, the sentence in full and a chevron.
class InsightRow : public QAbstractButton {
    Q_OBJECT
public:
    explicit InsightRow(QWidget *parent = nullptr);

    void setInsight(const Insight &insight);
    const Insight &insight() const { return m_insight; }
    // "Needs attention: " + text for attention, the text alone for info.
    static QString spokenLabel(const Insight &insight);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    Insight m_insight;
    SymbolView *m_symbol;
    WrappingText *m_text;
};

// The charge reminder's state in a few words, with a bell that is struck
// through while the reminder is off.
class ReminderRow : public QAbstractButton {
    Q_OBJECT
public:
    explicit ReminderRow(QWidget *parent = nullptr);

    void set(bool enabled, const QString &status);
    QString statusText() const;
    bool bellOn() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    SymbolView *m_bell;
    TextComponent *m_status;
};

// "All clear" in mint or "Needs a look" in amber, on a capsule.
class StatusChip : public QWidget {
    Q_OBJECT
public:
    explicit StatusChip(QWidget *parent = nullptr);

    void setAttention(bool attention);
    bool attention() const { return m_attention; }
    QString label() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    bool m_attention = false;
};

// "Open Dashboard" with its shortcut and an arrow, on a mint wash.
class FooterButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit FooterButton(QWidget *parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
};

} // namespace voltmere
