#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace voltmere::test {

// A named pipe made at `path` and its reading end, opened without waiting so
// that a writer can open the other end; what it wrote (up to the pipe's
// buffer) is read once it has finished. A program that never opens the pipe
// leaves it empty instead of hanging the test.
class FifoReader {
public:
    explicit FifoReader(const QString &path)
        : m_path(QFile::encodeName(path))
    {
        if (::mkfifo(m_path.constData(), 0600) == 0) {
            m_fd = ::open(m_path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        }
    }
    ~FifoReader()
    {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    FifoReader(const FifoReader &) = delete;
    FifoReader &operator=(const FifoReader &) = delete;

    bool isOpen() const { return m_fd >= 0; }
    // Still a pipe, not replaced by a plain file.
    bool isStillAPipe() const
    {
        struct stat info { };
        return ::lstat(m_path.constData(), &info) == 0 && S_ISFIFO(info.st_mode);
    }

    QByteArray readAll()
    {
        QByteArray data;
        char chunk[4096];
        ssize_t n;
        while ((n = ::read(m_fd, chunk, sizeof chunk)) > 0) {
            data.append(chunk, static_cast<qsizetype>(n));
        }
        return data;
    }

private:
    QByteArray m_path;
    int m_fd = -1;
};

// A character device with the null device's numbers, made at `path` (only
// root can), so that a test never puts the system's own /dev/null at stake.
class NullDevice {
public:
    explicit NullDevice(const QString &path)
        : m_path(QFile::encodeName(path))
        , m_made(::geteuid() == 0 && ::mknod(m_path.constData(), S_IFCHR | 0666, makedev(1, 3)) == 0)
    {
    }

    bool isMade() const { return m_made; }
    // Still that device, not replaced by a plain file.
    bool isStillTheDevice() const
    {
        struct stat info { };
        return ::lstat(m_path.constData(), &info) == 0 && S_ISCHR(info.st_mode) && info.st_rdev == makedev(1, 3);
    }

private:
    QByteArray m_path;
    bool m_made;
};

} // namespace voltmere::test
