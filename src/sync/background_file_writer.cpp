#include "sync/background_file_writer.h"

#include <QFile>
#include <QThread>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace zepril {

namespace {

// Starting the disk writes every few megabytes overlaps them with the network, so the
// final flush only waits for the tail.
constexpr qint64 kWritebackStep = 16 * 1024 * 1024;

QString systemError(int error = errno) { return QString::fromLocal8Bit(std::strerror(error)); }

// 0, or the reason the bytes could not all be written.
int writeAll(int fd, const QByteArray& bytes)
{
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, data, size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno;
        if (n == 0)
            return ENOSPC;
        data += n;
        left -= n;
    }
    return 0;
}

}

BackgroundFileWriter::BackgroundFileWriter(qint64 maxQueued) : m_maxQueued(maxQueued) {}

BackgroundFileWriter::~BackgroundFileWriter() { abandon(); }

bool BackgroundFileWriter::open(const QString& path, bool append)
{
    abandon();
    m_fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_CLOEXEC | (append ? O_APPEND : O_TRUNC),
                  0644);
    if (m_fd < 0) {
        m_error = systemError();
        return false;
    }
    m_queue.clear();
    m_queued = 0;
    m_finishing = m_stopping = m_done = false;
    m_error.clear();
    m_thread = std::thread(&BackgroundFileWriter::work, this);
    return true;
}

bool BackgroundFileWriter::write(QByteArray bytes)
{
    if (!m_thread.joinable())
        return false;
    waitUntil([&] { return m_queued < m_maxQueued || !m_error.isEmpty(); });
    std::lock_guard lock(m_mutex);
    if (!m_error.isEmpty())
        return false;
    m_queued += bytes.size();
    m_queue.push_back(std::move(bytes));
    m_work.notify_one();
    return true;
}

bool BackgroundFileWriter::finish()
{
    if (!m_thread.joinable())
        return false;
    {
        std::lock_guard lock(m_mutex);
        m_finishing = true;
        m_work.notify_one();
    }
    waitUntil([&] { return m_done; });
    abandon();
    std::lock_guard lock(m_mutex);
    return m_error.isEmpty();
}

void BackgroundFileWriter::abandon()
{
    if (m_thread.joinable()) {
        {
            std::lock_guard lock(m_mutex);
            m_stopping = true;
            m_work.notify_one();
        }
        m_thread.join();
    }
    if (m_fd >= 0 && ::close(m_fd) != 0 && m_error.isEmpty())
        m_error = systemError();
    m_fd = -1;
}

QString BackgroundFileWriter::errorString() const
{
    std::lock_guard lock(m_mutex);
    return m_error;
}

void BackgroundFileWriter::work()
{
    qint64 written = 0;
    qint64 writtenBack = 0;
    bool failed = false;
    for (;;) {
        QByteArray piece;
        {
            std::unique_lock lock(m_mutex);
            m_work.wait(lock, [&] { return !m_queue.empty() || m_finishing || m_stopping; });
            if (m_stopping)
                return;
            if (m_queue.empty())
                break;
            piece = std::move(m_queue.front());
            m_queue.pop_front();
        }
        // After a failed write the rest is only dropped: the file is given up anyway.
        const int error = failed ? 0 : writeAll(m_fd, piece);
        {
            std::lock_guard lock(m_mutex);
            m_queued -= piece.size();
            if (error != 0)
                m_error = systemError(error);
        }
        failed = failed || error != 0;
        written += piece.size();
        if (!failed && written - writtenBack >= kWritebackStep) {
            ::sync_file_range(m_fd, writtenBack, written - writtenBack, SYNC_FILE_RANGE_WRITE);
            writtenBack = written;
        }
        notify();
    }
    // On the disk before the caller hears of it: a file the journal lets go of must be whole.
    const int syncError = failed || ::fdatasync(m_fd) == 0 ? 0 : errno;
    {
        std::lock_guard lock(m_mutex);
        if (syncError != 0)
            m_error = QStringLiteral("flush to disk failed: ") + systemError(syncError);
        m_done = true;
    }
    notify();
}

void BackgroundFileWriter::notify()
{
    m_progress.notify_all();
    QMetaObject::invokeMethod(&m_sleeper, &EventSleeper::wake, Qt::QueuedConnection);
}

void BackgroundFileWriter::waitUntil(const std::function<bool()>& done)
{
    bool serveEvents = QThread::currentThread()->eventDispatcher() != nullptr;
    for (;;) {
        if (!serveEvents) {
            std::unique_lock lock(m_mutex);
            m_progress.wait(lock, done);
            return;
        }
        {
            std::lock_guard lock(m_mutex);
            if (done())
                return;
        }
        // A notice that came after the check wakes the next sleep at once; an older one
        // only ends a sleep early. Once the application is quitting, the wait blocks
        // rather than spins.
        serveEvents = m_sleeper.sleep() != EventSleeper::End::Quitting;
    }
}

}
