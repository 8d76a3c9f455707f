#pragma once

#include <string>
#include <string_view>

namespace voltmere {

// `relative` inside the root directory the Linux sources read from ("/" on
// the real machine, a temporary folder in tests).
inline std::string underRoot(std::string_view root, std::string_view relative)
{
    std::string path(root);
    if (path.empty() || path.back() != '/') {
        path += '/';
    }
    path += relative;
    return path;
}

} // namespace voltmere
