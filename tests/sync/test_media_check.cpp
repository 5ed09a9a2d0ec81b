// What is not a video, by its Content-Type or by its first bytes. Real videos of each
// container are checked end to end in the download tests.
#include "sync/media_check.h"

#include <gtest/gtest.h>

using namespace zepril;

TEST(MediaCheck, TextTypesAndNonMediaBytesAreRefused)
{
    for (const QString type : {"text/html", "TEXT/plain; charset=utf-8", " text/xml "})
        EXPECT_FALSE(textTypeReason(type).isEmpty()) << type.toStdString();
    for (const QString type : {"", "video/mp4", "application/octet-stream", "application/text"})
        EXPECT_TRUE(textTypeReason(type).isEmpty()) << type.toStdString();

    QByteArray noise(4096, Qt::Uninitialized);
    for (int i = 0; i < noise.size(); ++i)
        noise[i] = char((i * 7919 + i / 13) & 0xff);
    const QByteArray notVideos[] = {
        "<!DOCTYPE html><html><head><title>404</title></head><body>Not found</body></html>",
        "<?xml version=\"1.0\"?><error>gone</error>", "{\"error\": \"gone\"}", "Not found\r\n",
        QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16), QByteArray("PK\x03\x04\x14\0\0\0", 8), noise, QByteArray(),
        // Two sync bytes are not a transport stream.
        QByteArray(1, 0x47) + QByteArray(187, 'x') + QByteArray(1, 0x47) + QByteArray(600, 'y'),
    };
    for (const QByteArray& head : notVideos)
        EXPECT_FALSE(notAVideoReason(head).isEmpty()) << head.left(20).toStdString();
}
