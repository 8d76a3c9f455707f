#pragma once

#include "history/HistoryRetention.h"
#include "history/HistoryStore.h"

#include <QFutureWatcher>
#include <QMessageBox>
#include <QPointer>
#include <QWidget>

#include <memory>
#include <optional>

class QComboBox;

class QPushButton;

namespace voltmere {

class FileReveal;
class Monitor;
class ThemedLabel;

// The History tab of Settings: how long history is kept, the space it uses,
// showing the database in the file manager and deleting all of it after a
// confirmation. Main thread only.
//
// Nothing here removes history by accident: the retention picker ignores the
// scroll wheel and the arrow keys while its list is closed (they open the
// list instead), and a shorter retention that would remove stored readings
// says how much and asks first, Cancel being the default. Both the estimate
// and the deletion run on the history pool, so another program holding the
// database never freezes the window; a deletion that fails says why beside
// its button.
class HistorySettings : public QWidget {
    Q_OBJECT
public:
    // Retention choices in days, in picker order.
    static constexpr int retentionChoices[] = {1, 7, 30};

    explicit HistorySettings(Monitor &monitor, QWidget *parent = nullptr);
    HistorySettings(Monitor &monitor, std::unique_ptr<FileReveal> reveal, QWidget *parent = nullptr);
    ~HistorySettings() override;

    QComboBox *retentionPicker() const { return m_retention; }
    QPushButton *revealButton() const { return m_reveal; }
    QPushButton *deleteButton() const { return m_delete; }
    // The size text as shown, e.g. "1.2 MB".
    QString sizeText() const;
    // Why the last reveal showed nothing; absent after one that worked.
    const std::optional<QString> &revealFailure() const { return m_revealFailure; }
    // The delete confirmation while it is shown.
    QMessageBox *confirmation() const { return m_confirmation; }
    // The question before a shorter retention removes readings, while shown.
    QMessageBox *retentionConfirmation() const { return m_retentionConfirmation; }
    // What the line under the buttons says about a deletion ("Deleting…",
    // or why it failed); empty when there is nothing to say.
    QString deleteStatus() const;
    bool isDeleting() const { return m_deleting != nullptr; }

    // "Delete history…": asks first.
    void confirmDelete();
    // The confirmed deletion: empties the store on the history pool (the
    // store's own signal then raises the Monitor's history epoch, whether or
    // not this tab still exists), and says beside the button what failed.
    void deleteHistory();
    // What a finished deletion did, beside the button: nothing when it
    // worked, else what failed.
    void showDeleted(const HistoryStore::DeleteResult &result);
    // "Show in File Manager".
    void revealDatabase();

protected:
    void showEvent(QShowEvent *event) override;

private:
    HistoryStore *store() const;
    bool databaseOpen() const;
    void chooseRetention(int index);
    void askToShorten(int days, const std::optional<HistoryRetention::Loss> &loss);
    void applyRetention(int days);
    void showDeleteStatus(const std::optional<QString> &text, bool failure);
    void showRetention();
    void showSize();
    // Why nothing is being recorded (the store cannot open or cannot write),
    // or nothing; and the buttons that need a working database.
    void showStoreState();

    Monitor &m_monitor;
    std::unique_ptr<FileReveal> m_fileReveal;
    QComboBox *m_retention;
    ThemedLabel *m_size;
    ThemedLabel *m_openError;
    QPushButton *m_reveal;
    ThemedLabel *m_revealError;
    QPushButton *m_delete;
    ThemedLabel *m_deleteStatus;
    QPointer<QMessageBox> m_confirmation;
    QPointer<QMessageBox> m_retentionConfirmation;
    std::optional<QString> m_revealFailure;
    // The newest retention choice; an estimate for an older one is dropped.
    quint64 m_retentionChoice = 0;
    QFutureWatcher<HistoryStore::DeleteResult> *m_deleting = nullptr;
};

} // namespace voltmere
