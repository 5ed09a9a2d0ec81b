#pragma once
// Bytes that pass the download's video check without being a whole video.
#include <QByteArray>

namespace zepril::test {

// Starts like an MP4 file (its file-type box) and goes on with a pattern, so that a
// truncation or a shift shows in the content.
inline QByteArray patterned(qsizetype size, int seed = 0)
{
    static const QByteArray kFileType("\0\0\0\x18" "ftypisom\0\0\x02\0" "isomiso2", 24);
    QByteArray bytes(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = i < kFileType.size() ? kFileType[i] : char((i * 13 + seed + i / 997) & 0xff);
    return bytes;
}

}
