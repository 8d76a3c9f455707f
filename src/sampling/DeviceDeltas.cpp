#include "sampling/DeviceDeltas.h"

#include <utility>

namespace voltmere {

void DeviceDeltas::begin()
{
    m_count = 0;
    m_matched = 0;
    m_sums.wentBack = false;
}

const DeviceDeltas::Entry *DeviceDeltas::previous(std::string_view name)
{
    // A handful of devices: a linear search beats hashing the names.
    for (const Entry &entry : m_previous) {
        if (entry.name == name) {
            return &entry;
        }
    }
    return nullptr;
}

void DeviceDeltas::add(std::string_view name, std::uint64_t first, std::uint64_t second)
{
    if (const Entry *before = previous(name)) {
        ++m_matched;
        if (first < before->first || second < before->second) {
            m_sums.wentBack = true;
        } else {
            m_sums.first += first - before->first;
            m_sums.second += second - before->second;
        }
    }
    if (m_count == m_current.size()) {
        m_current.emplace_back();
    }
    Entry &entry = m_current[m_count++];
    entry.name.assign(name);
    entry.first = first;
    entry.second = second;
}

DeviceDeltas::Sums DeviceDeltas::finish()
{
    // A device that went away (a disk detached, an interface removed) ends
    // its counting like a reset does: one tick without a figure.
    if (m_matched < m_previous.size()) {
        m_sums.wentBack = true;
    }
    m_current.resize(m_count);
    std::swap(m_previous, m_current);
    return m_sums;
}

void DeviceDeltas::reset()
{
    m_previous.clear();
    m_current.clear();
}

} // namespace voltmere
