#pragma once

#include <QString>

#include <optional>

namespace voltmere {

// The kernel's memory-pressure level. Raw values are the kernel's own codes
// (1, 2, 4) and are what the history database stores; the enum orders by them.
enum class MemoryPressureLevel : int { normal = 1, warning = 2, critical = 4 };

// Any code other than 1, 2 or 4 (0, 3, 5+, negatives) yields no value.
std::optional<MemoryPressureLevel> memoryPressureLevelFromRaw(long long raw);
constexpr int rawValue(MemoryPressureLevel level) { return static_cast<int>(level); }
// The word the panel and the Overview show for a level: "Normal", "Elevated"
// or "Critical".
QString levelWord(MemoryPressureLevel level);

} // namespace voltmere
