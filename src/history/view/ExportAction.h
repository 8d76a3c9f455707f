#pragma once

#include "history/HistoryExport.h"
#include "history/HistoryMetric.h"
#include "model/Snapshot.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <atomic>
#include <memory>
#include <optional>

class QProgressDialog;
class QWidget;
template<typename T>
class QFutureWatcher;

namespace voltmere {

class HistoryStore;

// "Export…" for a page that shows history: asks where to save, writes the
// CSV (HistoryExport) on a background thread, shows progress when it takes
// a while and says so when it fails. The store is flushed first, so the file
// has the readings of the last minutes too. Main thread only.
//
//   auto *action = new ExportAction(*monitor.historyStore(), page);
//   action->run(HistoryMetric::cpu, from, to);   // or std::nullopt: every metric
class ExportAction final : public QObject {
    Q_OBJECT

public:
    // `store` must outlive this object; `parent` owns it and parents the
    // dialogs.
    ExportAction(HistoryStore &store, QWidget *parent);
    // Waits for a running export to stop (it is cancelled first).
    ~ExportAction() override;

    // Asks for a file (suggesting a name in the documents folder), then
    // exports [from, to) of `metric`, or of every metric when absent. Does
    // nothing while an export runs or when the user cancels the dialog.
    void run(std::optional<HistoryMetric> metric, Timestamp from, Timestamp to);
    // The same without asking: exports to `path`.
    void exportTo(const QString &path, std::optional<HistoryMetric> metric, Timestamp from, Timestamp to);

    bool isRunning() const { return m_watcher != nullptr; }
    // The file name offered in the save dialog ("Voltmere CPU 2026-12-08.csv").
    static QString suggestedFileName(std::optional<HistoryMetric> metric, Timestamp to);
    // Where a finished export went, said briefly: "Saved to ~/Documents/….csv".
    static QString savedMessage(const QString &path);

Q_SIGNALS:
    // After every export that ran, whatever its outcome; `path` is the file.
    void finished(const voltmere::HistoryExport::Result &result, const QString &path);

private:
    void done(const QString &path);
    void showFailure(const QString &error);

    HistoryStore &m_store;
    QPointer<QWidget> m_parent;
    QPointer<QProgressDialog> m_progress;
    QFutureWatcher<HistoryExport::Result> *m_watcher = nullptr;
    std::shared_ptr<std::atomic<bool>> m_cancel;
    std::shared_ptr<std::atomic<int>> m_permille;
};

} // namespace voltmere
