#include "history/view/ExportAction.h"

#include "history/HistoryPage.h"
#include "history/HistoryStore.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QMessageBox>
#include <QProgressDialog>
#include <QStandardPaths>
#include <QThreadPool>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>

namespace voltmere {

namespace {

// Quick exports finish before a dialog could be read; only longer ones show
// progress.
constexpr int progressDelayMs = 600;
constexpr int progressPollMs = 100;

} // namespace

ExportAction::ExportAction(HistoryStore &store, QWidget *parent)
    : QObject(parent)
    , m_store(store)
    , m_parent(parent)
{
}

ExportAction::~ExportAction()
{
    if (m_watcher) {
        m_cancel->store(true);
        m_watcher->waitForFinished();
    }
}

QString ExportAction::suggestedFileName(std::optional<HistoryMetric> metric, Timestamp to)
{
    const QDate day = QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(to * 1000)).date();
    const QString what = metric ? title(*metric) : QStringLiteral("History");
    return QStringLiteral("Voltmere %1 %2.csv").arg(what, day.toString(Qt::ISODate));
}

QString ExportAction::savedMessage(const QString &path)
{
    return QStringLiteral("Saved to ") + HistoryPage::homeShortened(QFileInfo(path).absoluteFilePath(), QDir::homePath());
}

void ExportAction::run(std::optional<HistoryMetric> metric, Timestamp from, Timestamp to)
{
    if (m_watcher) {
        return;
    }
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) {
        folder = QDir::homePath();
    }
    const QString path = QFileDialog::getSaveFileName(m_parent, QStringLiteral("Export History"),
        QDir(folder).filePath(suggestedFileName(metric, to)), QStringLiteral("CSV files (*.csv)"));
    if (path.isEmpty()) {
        return;
    }
    exportTo(path, metric, from, to);
}

void ExportAction::exportTo(const QString &path, std::optional<HistoryMetric> metric, Timestamp from, Timestamp to)
{
    if (m_watcher) {
        return;
    }
    m_cancel = std::make_shared<std::atomic<bool>>(false);
    m_permille = std::make_shared<std::atomic<int>>(0);

    m_progress = new QProgressDialog(QStringLiteral("Exporting to %1…").arg(QFileInfo(path).fileName()),
        QStringLiteral("Cancel"), 0, 1000, m_parent);
    m_progress->setWindowTitle(QStringLiteral("Export History"));
    m_progress->setWindowModality(Qt::WindowModal);
    // Wide enough that a long file name and the bar read at a glance.
    m_progress->setMinimumWidth(360);
    m_progress->setMinimumDuration(progressDelayMs);
    m_progress->setAutoClose(false);
    m_progress->setAutoReset(false);
    m_progress->setAccessibleName(QStringLiteral("Export progress"));
    m_progress->setValue(0);
    connect(m_progress, &QProgressDialog::canceled, this, [cancel = m_cancel] { cancel->store(true); });

    auto *poll = new QTimer(m_progress);
    poll->setInterval(progressPollMs);
    connect(poll, &QTimer::timeout, m_progress, [progress = m_progress, permille = m_permille] {
        progress->setValue(permille->load());
    });
    poll->start();

    HistoryStore *store = &m_store;
    const QString database = store->path();
    const HistoryExport::Request request { metric, from, to };
    m_watcher = new QFutureWatcher<HistoryExport::Result>(this);
    connect(m_watcher, &QFutureWatcher<HistoryExport::Result>::finished, this, [this, path] { done(path); });
    // A pool of its own: the toolkit's painting borrows the global pool's
    // threads and waits for them, so seconds of export there would freeze
    // every window.
    static QThreadPool exports;
    m_watcher->setFuture(QtConcurrent::run(&exports, [store, database, request, path, cancel = m_cancel,
                                               permille = m_permille] {
        // What the program holds in memory belongs in the file too.
        store->flush(true);
        return HistoryExport::toFile(database, request, path, [cancel, permille](double fraction) {
            permille->store(static_cast<int>(fraction * 1000));
            return !cancel->load();
        });
    }));
}

void ExportAction::done(const QString &path)
{
    const HistoryExport::Result result = m_watcher->result();
    m_watcher->deleteLater();
    m_watcher = nullptr;
    if (m_progress) {
        m_progress->deleteLater();
    }
    if (result.status == HistoryExport::Result::Status::failed) {
        showFailure(result.error);
    }
    Q_EMIT finished(result, path);
}

void ExportAction::showFailure(const QString &error)
{
    // Not exec(): the page keeps running its charts behind the message.
    auto *box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Export History"), QString(),
        QMessageBox::Ok, m_parent);
    box->setText(QStringLiteral("The history could not be exported."));
    box->setInformativeText(error);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    box->setAccessibleName(QStringLiteral("Export failed"));
    box->setAccessibleDescription(error);
    box->open();
}

} // namespace voltmere
