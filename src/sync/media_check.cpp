#include "sync/media_check.h"

#include "core/logging.h"

#include <magic.h>

#include <mutex>

namespace zepril {

namespace {

constexpr char kUnknown[] = "application/octet-stream";

// libmagic rather than a table of signatures here: its database is kept up to date by
// the distribution and knows far more containers, and far more ways of not being one
// (HTML, XML, JSON, scripts, archives, images), than a list written once would.
class MagicCookie final {
public:
    MagicCookie() : m_cookie(magic_open(MAGIC_MIME_TYPE))
    {
        if (m_cookie && magic_load(m_cookie, nullptr) != 0) {
            qCWarning(lcSync) << "cannot load the file type database:" << magic_error(m_cookie)
                              << "- downloads are checked by their Content-Type alone";
            magic_close(m_cookie);
            m_cookie = nullptr;
        }
    }
    ~MagicCookie()
    {
        if (m_cookie)
            magic_close(m_cookie);
    }
    MagicCookie(const MagicCookie&) = delete;
    MagicCookie& operator=(const MagicCookie&) = delete;

    bool loaded() const { return m_cookie != nullptr; }

    QByteArray type(const QByteArray& head)
    {
        // One cookie is not safe to use from two threads at once.
        std::lock_guard lock(m_mutex);
        if (!m_cookie)
            return {};
        const char* answer = magic_buffer(m_cookie, head.constData(), size_t(head.size()));
        return answer ? QByteArray(answer) : QByteArray();
    }

private:
    magic_t m_cookie = nullptr;
    std::mutex m_mutex;
};

// libmagic only names an MPEG transport stream whose first packet is the program table,
// and ffmpeg's muxer (the usual source of the hotels' clips) writes another table first.
// Five packets in a row that start with the sync byte are a stream whatever comes first;
// 192-byte packets are the Blu-ray variant with a time stamp in front of each.
bool isTransportStream(const QByteArray& head)
{
    for (const int packet : {188, 192}) {
        const int lead = packet - 188;
        constexpr int kPackets = 5;
        if (head.size() < lead + (kPackets - 1) * packet + 1)
            continue;
        bool all = true;
        for (int i = 0; i < kPackets && all; ++i)
            all = head.at(lead + i * packet) == 0x47;
        if (all)
            return true;
    }
    return false;
}

bool isPlayableType(const QByteArray& type)
{
    if (type.startsWith("video/") || type.startsWith("audio/"))
        return true;
    // Containers libmagic files under application/ although they carry video.
    for (const char* container : {"application/ogg", "application/mxf", "application/vnd.rn-realmedia"})
        if (type == container)
            return true;
    return false;
}

}

QByteArray sniffMediaType(const QByteArray& head)
{
    static MagicCookie cookie;
    if (!cookie.loaded())
        return {};
    QByteArray type = cookie.type(head);
    if (type.isEmpty())
        type = kUnknown;
    if (type == kUnknown && isTransportStream(head))
        return QByteArrayLiteral("video/MP2T");
    return type;
}

QString textTypeReason(const QString& contentType)
{
    const QString declared = contentType.section(u';', 0, 0).trimmed().toLower();
    if (declared.startsWith(QLatin1String("text/")))
        return QStringLiteral("the server answered with %1, not a video").arg(declared);
    return {};
}

QString notAVideoReason(const QByteArray& head)
{
    const QByteArray type = sniffMediaType(head);
    // Without its database the check cannot tell; refusing every video would leave the
    // channel empty, which is worse than keeping an odd file.
    if (!type.isEmpty() && !isPlayableType(type))
        return QStringLiteral("the first bytes are %1, not a video").arg(QString::fromLatin1(type));
    return {};
}

}
