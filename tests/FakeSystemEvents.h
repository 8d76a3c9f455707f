#pragma once

#include "platform/SystemEvents.h"

namespace voltmere::test {

// System events the test raises by hand (emit willSleep() and so on).
class FakeSystemEvents final : public SystemEvents {
public:
    void start() override { ++starts; }
    int starts = 0;
};

} // namespace voltmere::test
