#pragma once

#include <QMutex>
#include <QMutexLocker>
#include <QString>
#include <QStringList>
#include <QtGlobal>

namespace voltmere::test {

// Collects what the program logs (qWarning and up, from any thread) while
// it exists, so a test can check that a failure is said, and said once.
class LogCapture {
public:
    LogCapture()
    {
        const QMutexLocker lock(&s_mutex);
        s_lines.clear();
        s_previous = qInstallMessageHandler(&LogCapture::collect);
    }
    ~LogCapture() { qInstallMessageHandler(s_previous); }
    LogCapture(const LogCapture &) = delete;
    LogCapture &operator=(const LogCapture &) = delete;

    // The lines logged so far that contain `text`.
    QStringList lines(const QString &text) const
    {
        const QMutexLocker lock(&s_mutex);
        return s_lines.filter(text);
    }

private:
    static void collect(QtMsgType type, const QMessageLogContext &, const QString &message)
    {
        if (type != QtDebugMsg && type != QtInfoMsg) {
            const QMutexLocker lock(&s_mutex);
            s_lines.append(message);
        }
    }

    static inline QtMessageHandler s_previous = nullptr;
    static inline QMutex s_mutex;
    static inline QStringList s_lines;
};

} // namespace voltmere::test
