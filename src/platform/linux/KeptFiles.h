#pragma once

#include <cstddef>

namespace voltmere {

// How many files one reader may keep open between reads: its `share` (a
// quarter: 4) of the process's soft limit on open files, at most `ceiling`.
// Readers keep files only up to this so that, together, they leave most of
// the limit to everything else; 0 when the limit cannot be read.
std::size_t keptFileAllowance(unsigned share, std::size_t ceiling);

} // namespace voltmere
