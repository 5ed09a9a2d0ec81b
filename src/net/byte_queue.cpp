#include "net/byte_queue.h"

namespace zepril {

bool ByteQueue::push(const char* data, qint64 size)
{
    std::unique_lock lock(m_mutex);
    m_spaceFreed.wait(lock, [&] { return m_cancelled || m_size == 0 || m_size + size <= m_limit; });
    if (m_cancelled)
        return false;
    m_pieces.emplace_back(data, qsizetype(size));
    m_size += size;
    return true;
}

void ByteQueue::finish()
{
    std::lock_guard lock(m_mutex);
    m_finished = true;
}

QByteArray ByteQueue::take(qsizetype maxBytes)
{
    std::lock_guard lock(m_mutex);
    if (m_pieces.empty() || maxBytes <= 0)
        return {};
    QByteArray& front = m_pieces.front();
    QByteArray piece;
    if (front.size() <= maxBytes) {
        piece = std::move(front);
        m_pieces.pop_front();
    } else {
        piece = front.left(maxBytes);
        front.remove(0, maxBytes);
    }
    m_size -= piece.size();
    m_spaceFreed.notify_all();
    return piece;
}

bool ByteQueue::atEnd() const
{
    std::lock_guard lock(m_mutex);
    return m_finished && m_pieces.empty();
}

void ByteQueue::cancel()
{
    std::lock_guard lock(m_mutex);
    m_cancelled = true;
    m_spaceFreed.notify_all();
}

qint64 ByteQueue::size() const
{
    std::lock_guard lock(m_mutex);
    return m_size;
}

}
