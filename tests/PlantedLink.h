#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

#include <sys/stat.h>
#include <unistd.h>

namespace voltmere::test {

// What another local user can leave in /tmp: in a sticky folder anyone may
// write to (made inside `base`), a link named "history.csv" that belongs to
// neither this user nor the folder's owner, pointing at a file of this
// user's ("victim", in `base`). Only root can give a link another owner;
// elsewhere isReady() is false and the test has nothing to try.
class PlantedLink {
public:
    explicit PlantedLink(const QString &base)
        : m_victim(QDir(base).filePath(QStringLiteral("victim")))
        , m_link(QDir(base).filePath(QStringLiteral("tmp/history.csv")))
    {
        if (::geteuid() != 0) {
            return;
        }
        const QString shared = QDir(base).filePath(QStringLiteral("tmp"));
        QFile victim(m_victim);
        m_ready = QDir().mkpath(shared) && ::chmod(QFile::encodeName(shared).constData(), 01777) == 0
            && victim.open(QIODevice::WriteOnly) && victim.write(contents) == contents.size()
            && QFile::link(m_victim, m_link) && ::lchown(QFile::encodeName(m_link).constData(), 4242, 4242) == 0;
    }

    bool isReady() const { return m_ready; }
    const QString &link() const { return m_link; }
    // True while the file the link points at is as it was.
    bool victimUntouched() const
    {
        QFile victim(m_victim);
        return victim.open(QIODevice::ReadOnly) && victim.readAll() == contents;
    }
    // Hands the link to this user, as if they had made it themselves.
    bool adopt() const { return ::lchown(QFile::encodeName(m_link).constData(), ::geteuid(), ::getegid()) == 0; }

    static inline const QByteArray contents = "export EDITOR=vi\n";

private:
    QString m_victim;
    QString m_link;
    bool m_ready = false;
};

} // namespace voltmere::test
