#pragma once

#include <QString>

#include <cstdint>

namespace voltmere {

// One row of the busiest-process list. `cpu` is per-core percent since the
// previous tick (100 = one core fully busy, so it can exceed 100).
struct ProcessCPU {
    std::int32_t pid = 0;
    QString name;
    double cpu = 0;

    bool operator==(const ProcessCPU &) const = default;
};

} // namespace voltmere
