#pragma once

#include "ui/TextComponent.h"

namespace voltmere {

// Marks a reading that could not be obtained: the word "Unavailable" in the
// muted colour. The reason never shows as text, only as the tooltip and in
// the spoken label.
class Unavailable : public TextComponent {
    Q_OBJECT
public:
    explicit Unavailable(const QString &reason, qreal size = 13, QWidget *parent = nullptr);

    const QString &reason() const { return m_reason; }
    // For readings whose reason changes from one round to the next (which
    // sensor file failed).
    void setReason(const QString &reason);

private:
    void showReason(const QString &reason);

    QString m_reason;
};

} // namespace voltmere
