#include "ui/FormGroup.h"

#include "ui/Theme.h"
#include "ui/ThemedLabel.h"

#include <QGridLayout>
#include <QVBoxLayout>

namespace voltmere {

FormGroup::FormGroup(QWidget *parent)
    : Card(14, false, parent)
    , m_grid(new QGridLayout)
{
    m_grid->setContentsMargins(0, 0, 0, 0);
    m_grid->setHorizontalSpacing(16);
    m_grid->setVerticalSpacing(10);
    m_grid->setColumnStretch(0, 1);
    body()->addLayout(m_grid);
}

QWidget *FormGroup::addRow(const QString &label, QWidget *control)
{
    auto *title = new ThemedLabel(label, Theme::font(13), Theme::text, this);
    title->setBuddy(control);
    if (control->accessibleName().isEmpty()) {
        control->setAccessibleName(label);
    }
    m_grid->addWidget(title, m_rows, 0, Qt::AlignLeft | Qt::AlignVCenter);
    m_grid->addWidget(control, m_rows, 1, Qt::AlignRight | Qt::AlignVCenter);
    ++m_rows;
    return title;
}

void FormGroup::addWide(QWidget *widget)
{
    m_grid->addWidget(widget, m_rows, 0, 1, 2);
    ++m_rows;
}

} // namespace voltmere
