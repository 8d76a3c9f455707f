#pragma once

#include "platform/ChargeLimitText.h"
#include "ui/Card.h"

#include <vector>

namespace voltmere {

class TextComponent;
class WrappingText;

// Which charging controls Voltmere does not offer, and what the firmware
// enforces instead: the enforced limit and charging to full, each a title,
// a status and a paragraph. Until the limits are first given it says it is
// checking, never that there is no limit. Main thread only.
class LimitsCard : public Card {
    Q_OBJECT
public:
    explicit LimitsCard(QWidget *parent = nullptr);

    void set(const std::vector<BatteryChargeLimits> &limits);

    const ChargeLimitText::Explanation &enforced() const { return m_enforcedShown; }
    const ChargeLimitText::Explanation &toFull() const { return m_toFullShown; }

private:
    struct Block {
        QWidget *box;
        TextComponent *title;
        TextComponent *status;
        WrappingText *text;
    };
    static Block makeBlock();
    static void showBlock(const Block &block, const ChargeLimitText::Explanation &explanation);

    Block m_enforced;
    Block m_toFull;
    ChargeLimitText::Explanation m_enforcedShown;
    ChargeLimitText::Explanation m_toFullShown;
};

} // namespace voltmere
