#pragma once
// The bytes of one response on their way from the thread that receives them to the
// thread that reads them, bounded so that a large video never sits in memory: past the
// limit the receiving thread waits until the reader has taken some.
#include <QByteArray>
#include <QtGlobal>

#include <condition_variable>
#include <deque>
#include <mutex>

namespace zepril {

class ByteQueue final {
    Q_DISABLE_COPY_MOVE(ByteQueue)
public:
    explicit ByteQueue(qint64 limit) : m_limit(limit) {}

    // Receiving side. Waits while the piece would take the queue past its limit (an
    // empty queue takes any piece, so a piece larger than the limit cannot block for
    // good). False, with nothing queued, once cancelled.
    bool push(const char* data, qint64 size);
    // No more bytes will come.
    void finish();

    // Reading side, never waits: up to maxBytes in order; empty when nothing is queued.
    QByteArray take(qsizetype maxBytes);
    // Finished and everything taken: nothing will come any more.
    bool atEnd() const;
    // Releases a waiting push; later pushes fail. What is queued can still be taken.
    void cancel();

    qint64 size() const;

private:
    const qint64 m_limit;
    mutable std::mutex m_mutex;
    std::condition_variable m_spaceFreed;
    std::deque<QByteArray> m_pieces;
    qint64 m_size = 0;
    bool m_finished = false;
    bool m_cancelled = false;
};

}
