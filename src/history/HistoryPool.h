#pragma once

class QThreadPool;

namespace voltmere {

// The threads that run history work for the windows: series loads, process
// look-ups, the charge-history load, retention estimates and deletion. Each
// of these blocks on the store's queues, so they must not sit on Qt's global
// pool, whose threads the toolkit's painting borrows and waits for. Exports
// have a pool of their own again, so a long one never holds up a chart.
namespace HistoryPool {

// Lives until the program ends. Any thread.
QThreadPool &instance();

} // namespace HistoryPool

} // namespace voltmere
