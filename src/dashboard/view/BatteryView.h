#pragma once

#include "dashboard/view/ChargeHistoryCard.h"
#include "model/BatteryReading.h"
#include "monitor/ChargeReminderLogic.h"
#include "platform/ChargeLimits.h"
#include "ui/DashboardPage.h"

#include <memory>
#include <optional>
#include <vector>


namespace voltmere {

class DashboardScroll;

class BatteryHealthCard;
class BatteryHeroCard;
class BatterySkeleton;
class LimitsCard;
class Monitor;
class ReminderCard;

// The dashboard's Battery section: the charge ring and state, the health
// figures, the charge history, the reminder controls and what the firmware
// enforces on charging; placeholders until the battery is read, and one
// card on a machine without a battery. Main thread only.
class BatteryView : public DashboardPage {
    Q_OBJECT
public:
    enum class Body { skeleton, battery, desktop };

    // The live page: the machine's charge limits and the Monitor's history.
    explicit BatteryView(Monitor &monitor, QWidget *parent = nullptr);
    // With a given source of charge limits (none: the kernel exposes no
    // limit) and history; `preloadedCharge` replaces the chart's loading
    // (still renders).
    BatteryView(Monitor &monitor, std::shared_ptr<ChargeLimitSource> limits, ChargeHistoryCard::Loader loader,
                std::optional<HistorySeries> preloadedCharge = std::nullopt, QWidget *parent = nullptr);
    ~BatteryView() override;

    QString title() const override { return QStringLiteral("Battery"); }
    QString copyText() const override;

    static Body bodyFor(bool hasBattery, bool hasReading);
    // The page's summary for "Copy summary". `limits` is absent until they
    // have been read, and the summary then says nothing about them.
    static QString copyText(const std::optional<BatteryReading> &battery, bool hasBattery,
                            const ChargeReminderLogic::Status &reminder, int target, Timestamp now,
                            const std::optional<std::vector<BatteryChargeLimits>> &limits);

    Body shownBody() const { return m_body; }
    const std::vector<BatteryChargeLimits> &chargeLimits() const { return m_limits; }
    // Whether a read of the charge limits has finished.
    bool chargeLimitsKnown() const { return m_limitsKnown; }
    BatteryHeroCard *heroCard() const { return m_hero; }
    BatteryHealthCard *healthCard() const { return m_health; }
    ChargeHistoryCard *chargeHistoryCard() const { return m_history; }
    ReminderCard *reminderCard() const { return m_reminder; }
    LimitsCard *limitsCard() const { return m_limitsCard; }
    QWidget *desktopCard() const { return m_desktop; }
    BatterySkeleton *skeleton() const { return m_skeleton; }

Q_SIGNALS:
    // A read of the charge limits finished and is on screen.
    void chargeLimitsRead();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void showBody();
    // Reads the limits again: at once, or, while a read runs, once more
    // right after it, however often it is asked meanwhile.
    void requestChargeLimits();
    void readChargeLimits();
    // The card, the reminder's firmware limit and the copied summary.
    void showChargeLimits(const std::vector<BatteryChargeLimits> &limits);

    Monitor &m_monitor;
    std::shared_ptr<ChargeLimitSource> m_limitSource;
    std::vector<BatteryChargeLimits> m_limits;
    bool m_readingLimits = false;
    bool m_limitsWanted = false; // asked for while a read ran
    bool m_limitsKnown = false;
    Body m_body = Body::skeleton;

    DashboardScroll *m_scroll;
    QWidget *m_content;
    BatterySkeleton *m_skeleton;
    QWidget *m_batteryBody;
    QWidget *m_desktop;
    BatteryHeroCard *m_hero;
    BatteryHealthCard *m_health;
    ChargeHistoryCard *m_history;
    ReminderCard *m_reminder;
    LimitsCard *m_limitsCard;
};

} // namespace voltmere
