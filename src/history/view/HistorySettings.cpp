#include "history/view/HistorySettings.h"

#include "history/HistoryPool.h"
#include "history/HistoryStore.h"
#include "model/Format.h"
#include "monitor/Monitor.h"
#include "platform/FileReveal.h"
#include "platform/PlatformText.h"
#include "preferences/Preferences.h"
#include "ui/FormGroup.h"
#include "ui/Theme.h"
#include "ui/ThemedLabel.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>

namespace voltmere {

namespace {

QString retentionLabel(int days)
{
    return days == 1 ? QStringLiteral("1 day") : QStringLiteral("%1 days").arg(days);
}

// A choice that can remove history is made in the open list, never by the
// wheel passing over the closed box or by a stray arrow key: those go to the
// page (which scrolls on) or open the list.
class RetentionPicker final : public QComboBox {
public:
    using QComboBox::QComboBox;

protected:
    void wheelEvent(QWheelEvent *event) override
    {
        if (view()->isVisible()) {
            QComboBox::wheelEvent(event);
        } else {
            event->ignore();
        }
    }

    void keyPressEvent(QKeyEvent *event) override
    {
        if (!view()->isVisible()) {
            switch (event->key()) {
            case Qt::Key_Up:
            case Qt::Key_Down:
            case Qt::Key_PageUp:
            case Qt::Key_PageDown:
            case Qt::Key_Home:
            case Qt::Key_End:
                showPopup();
                return;
            default:
                // Typing picks the matching entry in a closed box.
                if (!event->text().isEmpty() && event->text().at(0).isPrint()) {
                    showPopup();
                    return;
                }
            }
        }
        QComboBox::keyPressEvent(event);
    }
};

ThemedLabel *caption(QWidget *parent)
{
    auto *label = new ThemedLabel(QString(), Theme::font(11), Theme::amber, parent);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->hide();
    return label;
}

} // namespace

HistorySettings::HistorySettings(Monitor &monitor, QWidget *parent)
    : HistorySettings(monitor, FileReveal::createForThisMachine(), parent)
{
}

HistorySettings::HistorySettings(Monitor &monitor, std::unique_ptr<FileReveal> reveal, QWidget *parent)
    : QWidget(parent)
    , m_monitor(monitor)
    , m_fileReveal(std::move(reveal))
    , m_retention(new RetentionPicker)
    , m_size(new ThemedLabel(QString(), Theme::font(13), Theme::muted))
    , m_openError(caption(this))
    , m_reveal(new QPushButton(PlatformText::say(PlatformText::Name::revealButton)))
    , m_revealError(caption(this))
    , m_delete(new QPushButton(QStringLiteral("Delete history…")))
    , m_deleteStatus(caption(this))
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 20, 20, 20);
    auto *form = new FormGroup;
    layout->addWidget(form);
    layout->addStretch(1);

    for (int days : retentionChoices) {
        m_retention->addItem(retentionLabel(days), days);
    }
    form->addRow(QStringLiteral("Keep history for"), m_retention);
    form->addRow(PlatformText::say(PlatformText::Name::storageLabel), m_size);
    form->addWide(m_openError);

    auto *buttons = new QWidget;
    auto *row = new QHBoxLayout(buttons);
    row->setContentsMargins(0, 4, 0, 0);
    row->setSpacing(8);
    for (QPushButton *button : {m_reveal, m_delete}) {
        button->setMinimumWidth(button->fontMetrics().horizontalAdvance(button->text()) + 32);
    }
    row->addWidget(m_reveal);
    row->addWidget(m_delete);
    row->addStretch(1);
    form->addWide(buttons);
    form->addWide(m_deleteStatus);
    form->addWide(m_revealError);

    showStoreState();
    // The store recovers by itself (space freed, a lock released) and can
    // fail while the tab is open; its signals arrive here queued.
    if (HistoryStore *history = store()) {
        connect(history, &HistoryStore::openErrorChanged, this, &HistorySettings::showStoreState);
        connect(history, &HistoryStore::writeErrorChanged, this, &HistorySettings::showStoreState);
    }

    connect(m_retention, &QComboBox::activated, this, &HistorySettings::chooseRetention);
    connect(m_reveal, &QPushButton::clicked, this, &HistorySettings::revealDatabase);
    connect(m_delete, &QPushButton::clicked, this, &HistorySettings::confirmDelete);
    connect(&m_monitor.prefs(), &Preferences::historyRetentionDaysChanged, this, &HistorySettings::showRetention);
    connect(&m_monitor, &Monitor::historyEpochChanged, this, &HistorySettings::showSize);
    showRetention();
    showSize();
}

HistorySettings::~HistorySettings() = default;

HistoryStore *HistorySettings::store() const
{
    return m_monitor.historyStore();
}

bool HistorySettings::databaseOpen() const
{
    const HistoryStore *history = store();
    return history && !history->openError();
}

void HistorySettings::showStoreState()
{
    // The store's text stays as it is: the user may need to search for it.
    const HistoryStore *history = store();
    std::optional<QString> problem;
    if (history) {
        problem = history->openError();
        if (!problem) {
            problem = history->writeError();
        }
    }
    m_openError->setText(problem.value_or(QString()));
    m_openError->setVisible(problem.has_value());
    m_reveal->setEnabled(databaseOpen());
    m_delete->setEnabled(databaseOpen() && !m_deleting);
}

QString HistorySettings::sizeText() const
{
    return m_size->text();
}

void HistorySettings::chooseRetention(int index)
{
    const int days = m_retention->itemData(index).toInt();
    const int current = m_monitor.prefs().historyRetentionDays();
    const quint64 choice = ++m_retentionChoice;
    HistoryStore *history = store();
    // A longer retention removes nothing; without a database the choice is
    // only kept for the next start.
    if (days >= current || !history || !databaseOpen()) {
        applyRetention(days);
        return;
    }
    auto *watcher = new QFutureWatcher<std::optional<HistoryRetention::Loss>>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, days, choice] {
        watcher->deleteLater();
        if (choice != m_retentionChoice) {
            return; // the user has picked again meanwhile
        }
        const std::optional<HistoryRetention::Loss> loss = watcher->result();
        if (loss && loss->readings == 0) {
            applyRetention(days);
        } else {
            askToShorten(days, loss);
        }
    });
    watcher->setFuture(
        QtConcurrent::run(&HistoryPool::instance(), [history, days] { return history->retentionLoss(days); }));
}

void HistorySettings::askToShorten(int days, const std::optional<HistoryRetention::Loss> &loss)
{
    if (m_retentionConfirmation) {
        m_retentionConfirmation->close();
    }
    const QString kept = retentionLabel(days);
    auto *box = new QMessageBox(this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setIcon(QMessageBox::Warning);
    box->setWindowTitle(QStringLiteral("Keep history for %1?").arg(kept));
    box->setText(QStringLiteral("Keep history for %1?").arg(kept));
    const Timestamp now = m_monitor.clock().now();
    box->setInformativeText(loss
            ? QStringLiteral("Removes %1 of readings, everything stored before %2. It can't be undone.")
                  .arg(HistoryRetention::amount(loss->cutoff - loss->oldest), Format::timestamp(loss->cutoff, now))
            : QStringLiteral("Removes the readings older than %1. It can't be undone.").arg(kept));
    QPushButton *remove = box->addButton(QStringLiteral("Remove readings"), QMessageBox::DestructiveRole);
    QPushButton *cancel = box->addButton(QMessageBox::Cancel);
    // Return must not remove anything by accident.
    box->setDefaultButton(cancel);
    box->setEscapeButton(cancel);
    connect(box, &QMessageBox::finished, this, [this, box, remove, days] {
        if (box->clickedButton() == remove) {
            applyRetention(days);
        } else {
            showRetention(); // back to what is kept
        }
    });
    m_retentionConfirmation = box;
    box->open();
}

void HistorySettings::applyRetention(int days)
{
    m_monitor.prefs().setHistoryRetentionDays(days);
    // Without a database the preference is still kept for the next start.
    if (HistoryStore *history = store()) {
        history->setRetention(days);
    }
    showRetention();
}

void HistorySettings::showRetention()
{
    const int index = m_retention->findData(m_monitor.prefs().historyRetentionDays());
    m_retention->setCurrentIndex(std::max(index, 0));
}

void HistorySettings::showSize()
{
    const HistoryStore *history = store();
    const double bytes = history ? static_cast<double>(std::max<std::int64_t>(history->fileSize(), 0)) : 0.0;
    m_size->setText(Format::bytes(bytes));
}

void HistorySettings::showEvent(QShowEvent *event)
{
    // The file grows while the program records; show today's size.
    showSize();
    QWidget::showEvent(event);
}

void HistorySettings::revealDatabase()
{
    HistoryStore *history = store();
    if (!history || !databaseOpen()) {
        return;
    }
    m_fileReveal->reveal(history->path(), [this](std::optional<QString> failure) {
        m_revealFailure = std::move(failure);
        m_revealError->setText(m_revealFailure.value_or(QString()));
        m_revealError->setVisible(m_revealFailure.has_value());
    });
}

void HistorySettings::confirmDelete()
{
    if (!databaseOpen()) {
        return;
    }
    if (m_confirmation) {
        m_confirmation->raise();
        return;
    }
    auto *box = new QMessageBox(this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setIcon(QMessageBox::Warning);
    box->setWindowTitle(QStringLiteral("Delete history?"));
    box->setText(QStringLiteral("Delete history?"));
    box->setInformativeText(PlatformText::say(PlatformText::Name::deleteHistoryWarning));
    QPushButton *destroy = box->addButton(QStringLiteral("Delete history"), QMessageBox::DestructiveRole);
    QPushButton *cancel = box->addButton(QMessageBox::Cancel);
    // Return must not delete by accident.
    box->setDefaultButton(cancel);
    box->setEscapeButton(cancel);
    connect(box, &QMessageBox::finished, this, [this, box, destroy] {
        if (box->clickedButton() == destroy) {
            deleteHistory();
        }
    });
    m_confirmation = box;
    box->open();
}

void HistorySettings::deleteHistory()
{
    HistoryStore *history = store();
    if (!history || !databaseOpen() || m_deleting) {
        return;
    }
    showDeleteStatus(QStringLiteral("Deleting…"), false);
    m_deleting = new QFutureWatcher<HistoryStore::DeleteResult>(this);
    connect(m_deleting, &QFutureWatcherBase::finished, this, [this] {
        const HistoryStore::DeleteResult result = m_deleting->result();
        m_deleting->deleteLater();
        m_deleting = nullptr;
        showDeleted(result);
    });
    m_deleting->setFuture(QtConcurrent::run(&HistoryPool::instance(), [history] { return history->deleteAll(); }));
    showStoreState();
}

void HistorySettings::showDeleted(const HistoryStore::DeleteResult &result)
{
    if (!result.deleted) {
        showDeleteStatus(QStringLiteral("History couldn't be deleted: %1. Nothing was removed.")
                             .arg(result.problem.value_or(QStringLiteral("unknown error"))),
            true);
    } else if (result.problem && result.busy) {
        showDeleteStatus(QStringLiteral("History deleted, but the file still holds the old readings until no other "
                                        "program is reading it (%1).")
                             .arg(*result.problem),
            true);
    } else if (result.problem) {
        // Most often a full disk, the usual reason to delete.
        showDeleteStatus(QStringLiteral("History deleted, but the file couldn't be compacted (%1), so it still holds "
                                        "the old readings. Voltmere tries again while it records.")
                             .arg(*result.problem),
            true);
    } else {
        showDeleteStatus(std::nullopt, false);
    }
    showStoreState();
}

QString HistorySettings::deleteStatus() const
{
    return m_deleteStatus->isHidden() ? QString() : m_deleteStatus->text();
}

void HistorySettings::showDeleteStatus(const std::optional<QString> &text, bool failure)
{
    m_deleteStatus->setColor(failure ? Theme::amber : Theme::muted);
    m_deleteStatus->setText(text.value_or(QString()));
    m_deleteStatus->setVisible(text.has_value());
}

} // namespace voltmere
