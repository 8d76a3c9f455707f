#pragma once

#include "model/BatteryReading.h"
#include "platform/PlatformText.h"
#include "ui/Card.h"

#include <optional>

class QGridLayout;

namespace voltmere {

class AttentionDot;
class TextComponent;
class Unavailable;
class WrappingText;

// The battery's condition, capacity against its design, cycle count and
// temperature. Read by assistive technology as one element. Main thread only.
class BatteryHealthCard : public Card {
    Q_OBJECT
public:
    static constexpr int maximumCardWidth = 320;

    explicit BatteryHealthCard(QWidget *parent = nullptr);

    void set(const BatteryReading &reading);

    // "Normal" for the system's "Good", any other condition as reported.
    static QString conditionWord(const QString &condition);
    // Full charge against design as a whole percent with both figures in
    // mAh; absent unless both capacities are known and at least 1.
    static std::optional<QString> capacityText(const BatteryReading &reading);
    // Full charge above design (both known and positive).
    static bool holdsMoreThanDesign(const BatteryReading &reading);
    // The count, with the rated count when known.
    static std::optional<QString> cycleText(const BatteryReading &reading);
    static std::optional<QString> temperatureText(const BatteryReading &reading);

private:
    struct Row {
        TextComponent *value;
        Unavailable *unavailable;
    };
    Row addRow(QGridLayout *grid, int row, const QString &label, PlatformText::Name reason);
    static QString showRow(const Row &row, const std::optional<QString> &value);

    QWidget *m_conditionRow;
    AttentionDot *m_dot;
    TextComponent *m_condition;
    Unavailable *m_conditionUnavailable;
    Row m_capacity;
    Row m_cycles;
    Row m_temperature;
    WrappingText *m_note;
};

} // namespace voltmere
