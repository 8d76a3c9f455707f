#include "dashboard/view/ProcessTable.h"
#include "platform/PlatformText.h"

#include "dashboard/view/ProcessRow.h"
#include "ui/Card.h"
#include "ui/SectionLabel.h"
#include "ui/Theme.h"
#include "ui/WrappingText.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include <unistd.h>

#include <algorithm>

namespace voltmere {

ProcessTable::ProcessTable(QWidget *parent)
    : QWidget(parent)
    , m_cores(activeCores())
{
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto *card = new Card(16);
    outer->addWidget(card);
    QVBoxLayout *body = card->body();
    body->setSpacing(12);

    auto *header = new QHBoxLayout;
    header->setContentsMargins(0, 0, 0, 0);
    header->addWidget(new SectionLabel(title), 0, Qt::AlignVCenter);
    header->addStretch();
    auto *scaleNote = new TextComponent;
    scaleNote->setText(PlatformText::say(PlatformText::Name::processScaleNote));
    scaleNote->setTextFont(Theme::font(11));
    scaleNote->setColor(Theme::muted);
    header->addWidget(scaleNote, 0, Qt::AlignVCenter);
    body->addLayout(header);

    m_rowsBox = new QWidget;
    m_rowsBox->setAccessibleName(title);
    m_rowsLayout = new QVBoxLayout(m_rowsBox);
    m_rowsLayout->setContentsMargins(0, 0, 0, 0);
    m_rowsLayout->setSpacing(2);
    body->addWidget(m_rowsBox);

    m_emptyArea = new QWidget;
    m_emptyArea->setMinimumHeight(80);
    auto *emptyLayout = new QVBoxLayout(m_emptyArea);
    emptyLayout->setContentsMargins(0, 0, 0, 0);
    m_empty = new TextComponent;
    m_empty->setText(QStringLiteral("Collecting readings…"));
    m_empty->setTextFont(Theme::font(12));
    m_empty->setColor(Theme::muted);
    emptyLayout->addWidget(m_empty, 0, Qt::AlignCenter);
    body->addWidget(m_emptyArea);

    m_footnote = new WrappingText(Theme::font(11), Theme::muted);
    body->addWidget(m_footnote);
    refresh();
}

std::vector<ProcessTable::Row> ProcessTable::rows(const std::optional<Snapshot> &latest)
{
    std::vector<Row> out;
    if (!latest) {
        return out;
    }
    out.reserve(latest->topProcesses.size() + 1);
    for (const ProcessCPU &process : latest->topProcesses) {
        out.push_back({QString::number(process.pid), process.name, process.pid, process.cpu, false});
    }
    if (latest->otherProcessesCPU && latest->unreadableProcessCount >= 1) {
        out.push_back({QStringLiteral("other"),
                       QStringLiteral("System processes (%1, combined)").arg(latest->unreadableProcessCount),
                       std::nullopt, *latest->otherProcessesCPU, true});
    }
    return out;
}

double ProcessTable::scale(const std::vector<Row> &rows)
{
    double largest = 100;
    for (const Row &row : rows) {
        largest = std::max(largest, row.cpu);
    }
    return largest;
}

QString ProcessTable::footnote(const std::optional<Snapshot> &latest, int cores)
{
    if (!latest) {
        return QStringLiteral("Collecting the first two samples…");
    }
    if (latest->topProcesses.empty() && latest->unreadableProcessCount == 0) {
        return QStringLiteral("Per-process CPU will appear after the second sample.");
    }
    return PlatformText::processFootnote(cores, latest->unreadableProcessCount);
}

int ProcessTable::activeCores()
{
    const long online = sysconf(_SC_NPROCESSORS_ONLN);
    return online > 0 ? static_cast<int>(online) : 1;
}

void ProcessTable::setLatest(const std::optional<Snapshot> &latest)
{
    m_latest = latest;
    refresh();
}

void ProcessTable::setCores(int cores)
{
    if (m_cores == cores) {
        return;
    }
    m_cores = cores;
    refresh();
}

QString ProcessTable::footnoteText() const
{
    return m_footnote->text();
}

std::vector<ProcessRow *> ProcessTable::rowViews() const
{
    std::vector<ProcessRow *> views;
    for (int i = 0; i < m_rowsLayout->count(); ++i) {
        if (auto *row = qobject_cast<ProcessRow *>(m_rowsLayout->itemAt(i)->widget())) {
            views.push_back(row);
        }
    }
    return views;
}

void ProcessTable::refresh()
{
    m_rows = rows(m_latest);
    const double barScale = scale(m_rows);
    // Row views are kept and refilled, so a pointer resting on a row keeps
    // its highlight across rounds.
    std::vector<ProcessRow *> views = rowViews();
    while (views.size() > m_rows.size()) {
        delete views.back();
        views.pop_back();
    }
    while (views.size() < m_rows.size()) {
        auto *row = new ProcessRow;
        m_rowsLayout->addWidget(row);
        views.push_back(row);
    }
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        views[i]->set(static_cast<int>(i) + 1, m_rows[i], barScale);
    }
    m_rowsBox->setVisible(!m_rows.empty());
    m_emptyArea->setVisible(m_rows.empty());
    m_footnote->setText(footnote(m_latest, m_cores));
}

} // namespace voltmere
