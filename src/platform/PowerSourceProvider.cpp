#include "platform/PowerSourceProvider.h"

#include <limits>

namespace voltmere {

namespace {

template <typename T> std::optional<T> typedValue(const PowerDictionary &dictionary, std::string_view key)
{
    const auto it = dictionary.find(key);
    if (it == dictionary.end()) {
        return std::nullopt;
    }
    if (const T *value = std::get_if<T>(&it->second)) {
        return *value;
    }
    return std::nullopt;
}

} // namespace

std::optional<std::int64_t> integerValue(const PowerDictionary &dictionary, std::string_view key)
{
    return typedValue<std::int64_t>(dictionary, key);
}

std::optional<bool> boolValue(const PowerDictionary &dictionary, std::string_view key)
{
    return typedValue<bool>(dictionary, key);
}

std::optional<std::string> stringValue(const PowerDictionary &dictionary, std::string_view key)
{
    return typedValue<std::string>(dictionary, key);
}

std::optional<int> intValue(const PowerDictionary &dictionary, std::string_view key)
{
    const std::optional<std::int64_t> value = integerValue(dictionary, key);
    if (!value || *value < std::numeric_limits<int>::min() || *value > std::numeric_limits<int>::max()) {
        return std::nullopt;
    }
    return static_cast<int>(*value);
}

} // namespace voltmere
