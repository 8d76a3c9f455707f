#pragma once

#include "platform/LoginItemService.h"

namespace voltmere {

// The login item as an XDG autostart entry, "<config>/autostart/voltmere.desktop".
// The entry is written atomically, so a crash never leaves half a file that
// the session would try to run.
class XdgAutostart final : public LoginItemService {
public:
    // `configHome` is $XDG_CONFIG_HOME (or ~/.config); `program` the absolute
    // path the entry starts.
    XdgAutostart(QString configHome, QString program);

    LoginItemStatus status() const override;
    std::optional<QString> registerItem() override;
    std::optional<QString> unregisterItem() override;

    QString entryPath() const;
    // The desktop entry's text for `program`.
    static QByteArray entryText(const QString &program);
    // `program` as one Exec argument, quoted and escaped as desktop entries require.
    static QString execArgument(const QString &program);

private:
    QString m_configHome;
    QString m_program;
};

} // namespace voltmere
