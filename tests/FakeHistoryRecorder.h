#pragma once

#include "history/HistoryRecorder.h"

#include <vector>

namespace voltmere::test {

// Remembers what the Monitor submitted, in order.
class FakeHistoryRecorder final : public HistoryRecorder {
public:
    struct Mark {
        HistoryEvent event;
        Timestamp at;
        bool flush;
    };

    void mark(HistoryEvent event, Timestamp at, bool flush) override { marks.push_back({event, at, flush}); }
    void record(const Snapshot &snapshot) override { recorded.push_back(snapshot); }
    void flush(bool wait) override { flushes.push_back(wait); }

    std::vector<Mark> marks;
    std::vector<Snapshot> recorded;
    std::vector<bool> flushes;
};

} // namespace voltmere::test
