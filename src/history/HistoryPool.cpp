#include "history/HistoryPool.h"

#include <QThreadPool>

namespace voltmere::HistoryPool {

QThreadPool &instance()
{
    // Two threads: a deletion waiting out another program's lock must not
    // keep the charts from loading. More gain nothing, since every query
    // takes its turn on the store's one read connection.
    static QThreadPool *pool = [] {
        auto *threads = new QThreadPool;
        threads->setMaxThreadCount(2);
        threads->setObjectName(QStringLiteral("voltmere.history.work"));
        return threads;
    }();
    return *pool;
}

} // namespace voltmere::HistoryPool
