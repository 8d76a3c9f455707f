#pragma once

#include <QMessageBox>
#include <QPointer>
#include <QWidget>

#include <memory>
#include <optional>

class QComboBox;

class QPushButton;

namespace voltmere {

class FileReveal;
class HistoryStore;
class Monitor;
class ThemedLabel;

// The History tab of Settings: how long history is kept, the space it uses,
// showing the database in the file manager and deleting all of it after a
// confirmation. Main thread only.
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

    // "Delete history…": asks first.
    void confirmDelete();
    // The confirmed deletion: empties the store (blocking until done), then
    // raises the Monitor's history epoch so open history views reload.
    void deleteHistory();
    // "Show in File Manager".
    void revealDatabase();

protected:
    void showEvent(QShowEvent *event) override;

private:
    HistoryStore *store() const;
    bool databaseOpen() const;
    void chooseRetention(int index);
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
    QPointer<QMessageBox> m_confirmation;
    std::optional<QString> m_revealFailure;
};

} // namespace voltmere
