#pragma once

#include "dashboard/view/DashboardPage.h"

namespace voltmere {

// A section whose page is not built yet: its title and one plain line on a
// card, so navigation to it still lands somewhere honest.
class PlaceholderPage : public DashboardPage {
    Q_OBJECT
public:
    explicit PlaceholderPage(const QString &title, QWidget *parent = nullptr);

    QString title() const override { return m_title; }
    QString copyText() const override;

    static QString message(const QString &title);

private:
    QString m_title;
};

} // namespace voltmere
