// What is not a video, by its Content-Type or by its first bytes. Real videos of each
// container are checked end to end in the download tests.
#include "sync/media_check.h"

#include <gtest/gtest.h>

using namespace zepril;

TEST(MediaCheck, TextTypesAndNonMediaBytesAreRefused)
{
    EXPECT_FALSE(textTypeReason("TEXT/plain; charset=utf-8").isEmpty());
    EXPECT_TRUE(textTypeReason("application/octet-stream").isEmpty());

    QByteArray noise(4096, Qt::Uninitialized);
    for (int i = 0; i < noise.size(); ++i)
        noise[i] = char((i * 7919 + i / 13) & 0xff);
    const QByteArray notVideos[] = {
        "<?xml version=\"1.0\"?><error>gone</error>", "{\"error\": \"gone\"}", QByteArray("PK\x03\x04\x14\0\0\0", 8),
        noise,
        // Two sync bytes are not a transport stream.
        QByteArray(1, 0x47) + QByteArray(187, 'x') + QByteArray(1, 0x47) + QByteArray(600, 'y'),
    };
    for (const QByteArray& head : notVideos)
        EXPECT_FALSE(notAVideoReason(head).isEmpty()) << head.left(20).toStdString();
}
