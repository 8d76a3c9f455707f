#pragma once

#include "ui/TextComponent.h"

namespace voltmere {

// A small upper-case heading above a group, in the muted colour.
class SectionLabel : public TextComponent {
    Q_OBJECT
public:
    // `text` is translated (the text is its own key) and upper-cased for the locale.
    explicit SectionLabel(const QString &text, QWidget *parent = nullptr);
};

} // namespace voltmere
