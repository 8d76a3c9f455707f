#pragma once

#include "model/BatteryReading.h"
#include "ui/Card.h"

#include <optional>
#include <vector>

namespace voltmere {

class ChargeRing;
class HeroNumber;
class SymbolView;
class TextComponent;
class Unavailable;
class WrappingText;

// The Battery page's first card: the charge ring with the level in its
// middle and the reminder target as a tick, beside the charging state and
// up to six detail lines. Main thread only.
class BatteryHeroCard : public Card {
    Q_OBJECT
public:
    struct Line {
        QString text;
        bool attention = false; // drawn in amber
        bool operator==(const Line &) const = default;
    };

    explicit BatteryHeroCard(QWidget *parent = nullptr);

    // `target` is the reminder target while the reminder is on.
    void set(const BatteryReading &reading, std::optional<int> target);

    // "Charging", "Plugged in, not charging", "Fully charged", "On battery".
    static QString stateTitle(ChargingState state);
    // Adapter, time to full, time left, why the charge is held, the
    // reminder target and power saving, each only when it applies.
    static std::vector<Line> detailLines(const BatteryReading &reading, std::optional<int> target);

    ChargeRing *ring() const { return m_ring; }
    // The ring and the state details as assistive technology reads them.
    QWidget *ringElement() const { return m_ringBox; }
    QWidget *stateElement() const { return m_state; }

private:
    static constexpr int maxLines = 6;

    QWidget *m_ringBox;
    ChargeRing *m_ring;
    QWidget *m_levelBox;
    HeroNumber *m_level;
    Unavailable *m_levelUnavailable;
    QWidget *m_state;
    QWidget *m_stateRow;
    SymbolView *m_stateSymbol;
    TextComponent *m_stateTitle;
    Unavailable *m_stateUnavailable;
    std::vector<WrappingText *> m_lines;
};

} // namespace voltmere
