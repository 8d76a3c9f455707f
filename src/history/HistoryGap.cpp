#include "history/HistoryGap.h"
#include "platform/PlatformText.h"
#include "history/GapBand.h"

namespace voltmere {

std::optional<HistoryGap::Reason> gapReasonFromRaw(std::string_view raw)
{
    if (raw == "asleep") {
        return HistoryGap::Reason::asleep;
    }
    if (raw == "notRunning") {
        return HistoryGap::Reason::notRunning;
    }
    if (raw == "noReadings") {
        return HistoryGap::Reason::noReadings;
    }
    return std::nullopt;
}

QString rawValue(HistoryGap::Reason reason)
{
    switch (reason) {
    case HistoryGap::Reason::asleep:
        return QStringLiteral("asleep");
    case HistoryGap::Reason::notRunning:
        return QStringLiteral("notRunning");
    case HistoryGap::Reason::noReadings:
        return QStringLiteral("noReadings");
    }
    return {};
}

QString label(HistoryGap::Reason reason)
{
    switch (reason) {
    case HistoryGap::Reason::asleep:
        return PlatformText::say(PlatformText::Name::asleepGapLabel);
    case HistoryGap::Reason::notRunning:
        return QStringLiteral("Voltmere not running");
    case HistoryGap::Reason::noReadings:
        return QStringLiteral("No readings");
    }
    return {};
}

std::vector<GapBand> gapBands(const std::vector<HistoryGap> &gaps)
{
    std::vector<GapBand> bands;
    bands.reserve(gaps.size());
    for (const HistoryGap &gap : gaps) {
        bands.push_back({ gap.start, gap.end, label(gap.reason) });
    }
    return bands;
}

} // namespace voltmere
