#include "monitoring/metrics_export.h"

#include "monitoring/run_memory.h"
#include "support/temp_tree.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <sys/inotify.h>
#include <unistd.h>

using namespace zepril;

namespace {

// What happened to one name in a directory while the watch lived.
QStringList eventsOn(int fd, const QByteArray& name)
{
    QStringList seen;
    alignas(inotify_event) char buffer[8192];
    for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;) {
        for (char* p = buffer; p < buffer + n;) {
            const auto* e = reinterpret_cast<const inotify_event*>(p);
            if (e->len && name == e->name)
                seen << ((e->mask & IN_MOVED_TO)                        ? "moved to"
                             : (e->mask & IN_CREATE)                    ? "created"
                             : (e->mask & (IN_MODIFY | IN_CLOSE_WRITE)) ? "written"
                                                                        : "other");
            p += sizeof(inotify_event) + e->len;
        }
    }
    return seen;
}

}

TEST(MetricsExport, TheCollectorsFileIsReplacedInOneRenameAndNeverWrittenInPlace)
{
    test::TempTree tree;
    tree.mkdir("collector");
    MetricsExport out(tree.path("metrics.prom"), tree.path("collector"));
    out.write("zepril_up 1\n");

    const int fd = inotify_init1(IN_NONBLOCK);
    ASSERT_GE(fd, 0);
    ASSERT_GE(inotify_add_watch(fd, tree.path("collector").toLocal8Bit(), IN_ALL_EVENTS), 0);
    out.write("zepril_up 0\n");
    EXPECT_EQ(eventsOn(fd, "zepril.prom"), QStringList({"moved to"})) << "a scrape must never see a half-written file";
    close(fd);
    EXPECT_EQ(tree.read("collector/zepril.prom"), "zepril_up 0\n");
    EXPECT_EQ(tree.read("metrics.prom"), "zepril_up 0\n");
    EXPECT_EQ(QDir(tree.path("collector")).entryList(QDir::Files), QStringList({"zepril.prom"})) << "no temporary left";
}

TEST(MetricsExport, ALinkInTheCollectorHasItsTargetReplacedAndNoDirectoryMeansNoFile)
{
    test::TempTree tree;
    tree.mkdir("collector");
    tree.mkdir("own");
    ASSERT_TRUE(QFile::link(tree.path("own/zepril.prom"), tree.path("collector/zepril.prom")));
    MetricsExport linked(tree.path("metrics.prom"), tree.path("collector"));
    linked.write("a 1\n");
    EXPECT_TRUE(QFileInfo(tree.path("collector/zepril.prom")).isSymLink());
    EXPECT_EQ(tree.read("own/zepril.prom"), "a 1\n");

    MetricsExport absent(tree.path("metrics.prom"), tree.path("no-node-exporter"));
    absent.write("b 1\n");
    EXPECT_FALSE(tree.exists("no-node-exporter")) << "the player creates no directory";
    EXPECT_EQ(tree.read("metrics.prom"), "b 1\n");
}

TEST(RunMemory, StartsAreCountedWithinABootAndTheLastSuccessSurvivesARestart)
{
    RunMemory m = countStart({}, "boot-a");
    EXPECT_EQ(m.startsThisBoot, 1);
    m = countStart(m, "boot-a");
    EXPECT_EQ(m.startsThisBoot, 2);
    EXPECT_EQ(countStart(m, "boot-b").startsThisBoot, 1) << "a reboot starts the count over";
    EXPECT_EQ(countStart(m, "").startsThisBoot, 1) << "without a boot id no restart can be told";

    test::TempTree tree;
    m.lastSuccessfulSync = QDateTime(QDate(2026, 12, 7), QTime(2, 3, 4, 5), Qt::UTC);
    ASSERT_TRUE(writeRunMemory(tree.path("monitoring.json"), m));
    const RunMemory back = readRunMemory(tree.path("monitoring.json"));
    EXPECT_EQ(back.bootId, "boot-a");
    EXPECT_EQ(back.startsThisBoot, 2);
    EXPECT_EQ(back.lastSuccessfulSync, m.lastSuccessfulSync);
    tree.write("damaged.json", "{ no");
    EXPECT_EQ(readRunMemory(tree.path("damaged.json")).startsThisBoot, 0);
    EXPECT_FALSE(currentBootId().isEmpty()) << "Linux always has a boot id";
}
