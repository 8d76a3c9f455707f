#pragma once

#include "ui/Card.h"

class QGridLayout;

namespace voltmere {

// A grouped form on a card: rows of a leading label and a trailing control,
// and full-width rows (captions, buttons), in the order they are added.
class FormGroup : public Card {
    Q_OBJECT
public:
    explicit FormGroup(QWidget *parent = nullptr);

    // A row "label … control"; the control is announced with the label's
    // text. Returns the label.
    QWidget *addRow(const QString &label, QWidget *control);
    // A row spanning both columns.
    void addWide(QWidget *widget);

private:
    QGridLayout *m_grid;
    int m_rows = 0;
};

} // namespace voltmere
