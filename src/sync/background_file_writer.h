#pragma once
// Writes one downloaded file on a thread of its own. A disk busy with other work can
// hold a write or a write-back request for hundreds of milliseconds; that must slow the
// download, never the screen, so the caller only queues bytes and waits, when it has
// to, in its event loop.
#include "core/event_wait.h"

#include <QByteArray>
#include <QString>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace zepril {

class BackgroundFileWriter final {
public:
    // At most about maxQueued bytes wait for the disk; write() waits while more do.
    explicit BackgroundFileWriter(qint64 maxQueued = 8 * 1024 * 1024);
    ~BackgroundFileWriter(); // abandons what is still queued

    BackgroundFileWriter(const BackgroundFileWriter&) = delete;
    BackgroundFileWriter& operator=(const BackgroundFileWriter&) = delete;

    // Creates or truncates the file, or with append keeps what it holds and writes
    // after it; false with errorString() set.
    bool open(const QString& path, bool append = false);
    // Queues the bytes; false once a write has failed.
    bool write(QByteArray bytes);
    // Waits until every byte is written and on the disk, then closes the file.
    bool finish();
    // Closes at once; what is still queued is dropped.
    void abandon();
    QString errorString() const;

private:
    void work();
    void notify();
    void waitUntil(const std::function<bool()>& done);

    const qint64 m_maxQueued;
    EventSleeper m_sleeper; // lives on the caller's thread: the writer's notices wake it there
    int m_fd = -1;

    mutable std::mutex m_mutex;
    std::condition_variable m_work;
    std::condition_variable m_progress; // for a caller without an event loop
    std::deque<QByteArray> m_queue;
    qint64 m_queued = 0;
    bool m_finishing = false;
    bool m_stopping = false;
    bool m_done = false;
    QString m_error;
    std::thread m_thread;
};

}
