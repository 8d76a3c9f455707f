#pragma once

#include <QByteArray>
#include <QString>

#include <fcntl.h>
#include <unistd.h>

namespace voltmere::test {

// The reading end of a named pipe, opened without waiting so that a writer
// can open the other end; what it wrote (up to the pipe's buffer) is read
// once it has finished. A program that never opens the pipe leaves it empty
// instead of hanging the test.
class FifoReader {
public:
    explicit FifoReader(const QString &path)
        : m_fd(::open(path.toUtf8().constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC))
    {
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
    int m_fd;
};

} // namespace voltmere::test
