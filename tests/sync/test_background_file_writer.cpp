// The download's writer against a "disk" that takes nothing until it is drained: a FIFO.
#include "sync/background_file_writer.h"

#include "support/temp_tree.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTimer>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

using namespace zepril;

// The FIFO is drained only by a timer of the caller's thread, so the bytes reach it
// only if write() waits for the disk in the event loop. Were the thread held instead, a
// watchdog drains the FIFO after a few seconds and the test fails rather than hangs.
// A FIFO cannot be flushed to a disk: finish() must say so rather than report success.
TEST(BackgroundFileWriter, WaitsForASlowDiskInTheEventLoopAndReportsAFailedFlush)
{
    zepril::test::TempTree tree;
    const QByteArray fifo = QFile::encodeName(tree.path("disk"));
    ASSERT_EQ(::mkfifo(fifo.constData(), 0600), 0);
    const int reader = ::open(fifo.constData(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    BackgroundFileWriter writer(64 * 1024);
    ASSERT_TRUE(writer.open(QFile::decodeName(fifo)));

    QByteArray received;
    QTimer drain;
    QObject::connect(&drain, &QTimer::timeout, [&] {
        char buffer[16 * 1024];
        for (ssize_t n; (n = ::read(reader, buffer, sizeof buffer)) > 0;)
            received.append(buffer, n);
    });
    drain.start(5);
    std::atomic<bool> over{false};
    std::atomic<bool> rescued{false};
    std::thread watchdog([&] {
        for (int waited = 0; waited < 5000 && !over; waited += 10)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        char buffer[16 * 1024];
        while (!over)
            if (::read(reader, buffer, sizeof buffer) > 0)
                rescued = true;
    });

    QByteArray data(1024 * 1024, Qt::Uninitialized);
    for (qsizetype i = 0; i < data.size(); ++i)
        data[i] = char(i * 7 / 3);
    bool queued = true; // no ASSERT from here on: the watchdog must be joined
    for (qsizetype at = 0; queued && at < data.size(); at += 32 * 1024)
        queued = writer.write(data.mid(at, 32 * 1024));
    EXPECT_TRUE(queued);
    QElapsedTimer waited;
    waited.start();
    while (received.size() < data.size() && !rescued && waited.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);

    EXPECT_FALSE(writer.finish());
    EXPECT_TRUE(writer.errorString().startsWith("flush to disk failed")) << writer.errorString().toStdString();
    over = true;
    watchdog.join();
    ::close(reader);
    EXPECT_FALSE(rescued) << "write() held its thread until the watchdog drained the disk";
    EXPECT_TRUE(received == data) << received.size() << " bytes of " << data.size();
}

// /dev/full takes the file's bytes and refuses them as a full disk does. The failure
// happens on the writer's thread; the caller must hear of it and no later write may
// count as queued.
TEST(BackgroundFileWriter, AFailedWriteFailsEveryLaterWriteAndTheFile)
{
    if (!QFile::exists(QStringLiteral("/dev/full")))
        GTEST_SKIP() << "no /dev/full here";
    BackgroundFileWriter writer(1024);
    ASSERT_TRUE(writer.open(QStringLiteral("/dev/full")));
    EXPECT_TRUE(writer.write(QByteArray(4096, 'x')));
    EXPECT_FALSE(writer.write(QByteArray(4096, 'y'))) << "waits until the first piece is written, and it failed";
    EXPECT_FALSE(writer.finish());
    EXPECT_EQ(writer.errorString(), QString::fromLocal8Bit(std::strerror(ENOSPC)));
}
