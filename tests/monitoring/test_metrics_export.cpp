#include "monitoring/metrics_export.h"

#include "monitoring/run_memory.h"
#include "support/temp_tree.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <sys/inotify.h>
#include <unistd.h>

using namespace zepril;

TEST(MetricsExport, TheCollectorsFileIsReplacedInOneRenameOrItsLinksTargetAndNoDirectoryMeansNoFile)
{
    test::TempTree tree;
    tree.mkdir("collector");
    MetricsExport out(tree.path("metrics.prom"), tree.path("collector"));
    out.write("zepril_up 1\n");
    const int fd = inotify_init1(IN_NONBLOCK);
    ASSERT_GE(inotify_add_watch(fd, tree.path("collector").toLocal8Bit(), IN_ALL_EVENTS), 0);
    out.write("zepril_up 0\n");
    QStringList seen; // what happened to the collector's file itself
    alignas(inotify_event) char buffer[8192];
    for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;)
        for (char* p = buffer; p < buffer + n; p += sizeof(inotify_event) + reinterpret_cast<inotify_event*>(p)->len)
            if (const auto* e = reinterpret_cast<inotify_event*>(p); e->len && QByteArray(e->name) == "zepril.prom")
                seen << ((e->mask & IN_MOVED_TO) ? "renamed over" : "touched in place");
    close(fd);
    EXPECT_EQ(seen, QStringList({"renamed over"})) << "a scrape must never see a half-written file";
    EXPECT_EQ(tree.read("collector/zepril.prom"), "zepril_up 0\n");
    EXPECT_EQ(QDir(tree.path("collector")).entryList(QDir::Files), QStringList({"zepril.prom"}));

    // A collector the player may not write into can hold a link to where it may.
    ASSERT_TRUE(QFile::remove(tree.path("collector/zepril.prom")));
    ASSERT_TRUE(QFile::link(tree.path("own.prom"), tree.path("collector/zepril.prom")));
    out.write("a 1\n");
    EXPECT_TRUE(QFileInfo(tree.path("collector/zepril.prom")).isSymLink());
    EXPECT_EQ(tree.read("own.prom"), "a 1\n");

    MetricsExport(tree.path("metrics.prom"), tree.path("no-node-exporter")).write("b 1\n");
    EXPECT_FALSE(tree.exists("no-node-exporter")) << "the player creates no directory";
    EXPECT_EQ(tree.read("metrics.prom"), "b 1\n");
}

TEST(RunMemory, StartsAreCountedWithinABootAndTheLastSuccessSurvivesARestart)
{
    RunMemory m = countStart(countStart({}, "boot-a"), "boot-a");
    EXPECT_EQ(m.startsThisBoot, 2);
    EXPECT_EQ(countStart(m, "boot-b").startsThisBoot, 1) << "a reboot starts the count over";
    test::TempTree tree;
    m.lastSuccessfulSync = QDateTime(QDate(2026, 12, 7), QTime(2, 3, 4, 5), Qt::UTC);
    ASSERT_TRUE(writeRunMemory(tree.path("monitoring.json"), m));
    const RunMemory back = readRunMemory(tree.path("monitoring.json"));
    EXPECT_EQ(std::tie(back.bootId, back.startsThisBoot, back.lastSuccessfulSync),
              std::tie(m.bootId, m.startsThisBoot, m.lastSuccessfulSync));
    tree.write("damaged.json", "{ no");
    EXPECT_EQ(readRunMemory(tree.path("damaged.json")).startsThisBoot, 0);
}
