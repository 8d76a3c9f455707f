#pragma once

#include "model/Snapshot.h"

#include <QWidget>

#include <cstdint>
#include <optional>
#include <vector>

class QVBoxLayout;

namespace voltmere {

class Card;
class ProcessRow;
class TextComponent;
class WrappingText;

// The busiest processes of the latest snapshot, each with a bar, plus one
// combined row for the processes of other users that cannot be read one by
// one, and a footnote explaining the scale. Main thread only.
class ProcessTable : public QWidget {
    Q_OBJECT
public:
    struct Row {
        QString id;                       // the pid in decimal, "other" for the combined row
        QString name;
        std::optional<std::int32_t> pid;  // absent for the combined row
        double cpu = 0;                   // per-core percent (100 = one core)
        bool isOther = false;
        bool operator==(const Row &) const = default;
    };

    static inline const QString title = QStringLiteral("Top processes by CPU");

    explicit ProcessTable(QWidget *parent = nullptr);

    // The listed processes in the sampler's order, then the combined row when
    // there is unattributed CPU and at least one unreadable process.
    static std::vector<Row> rows(const std::optional<Snapshot> &latest);
    // The value that fills a bar: the busiest row, but at least one core.
    static double scale(const std::vector<Row> &rows);
    static QString footnote(const std::optional<Snapshot> &latest, int cores);
    // The active processor cores of this machine.
    static int activeCores();

    void setLatest(const std::optional<Snapshot> &latest);
    void setCores(int cores);

    const std::vector<Row> &shownRows() const { return m_rows; }
    QString footnoteText() const;
    std::vector<ProcessRow *> rowViews() const;

private:
    void refresh();

    std::optional<Snapshot> m_latest;
    int m_cores;
    std::vector<Row> m_rows;
    QWidget *m_rowsBox;
    QVBoxLayout *m_rowsLayout;
    TextComponent *m_empty;
    QWidget *m_emptyArea;
    WrappingText *m_footnote;
};

} // namespace voltmere
