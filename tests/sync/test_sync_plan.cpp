// What a synchronization deletes and downloads.
#include "sync/sync_plan.h"

#include <gtest/gtest.h>

using namespace zepril;

TEST(SyncPlan, DeletesWhatTheServerDropsAndFetchesWhatIsMissingInTheirOrders)
{
    const SyncPlan plan = planSync({"c.mp4", "keep.mp4", "a.mp4", "Clip.avi"},
                                   {"new2.mp4", "keep.mp4", "clip.avi", "new1.mp4", "new2.mp4"});
    EXPECT_EQ(plan.toDelete, QStringList({"c.mp4", "a.mp4", "Clip.avi"}));
    // Letter case counts, and a name listed twice is fetched twice.
    EXPECT_EQ(plan.toDownload, QStringList({"new2.mp4", "clip.avi", "new1.mp4", "new2.mp4"}));
    EXPECT_TRUE(plan.rejected.isEmpty());

    const SyncPlan empty = planSync({"x", "y"}, {});
    EXPECT_EQ(empty.toDelete, QStringList({"x", "y"}));
    EXPECT_TRUE(empty.toDownload.isEmpty());
    EXPECT_TRUE(planSync({}, {}).toDelete.isEmpty());
}

TEST(SyncPlan, IgnoresNamesThatAreNotPlainFileNames)
{
    const QStringList unsafe{"", ".", "..", "../x", "a/b", "a\\b", "/etc/passwd", QString("bad\nname"),
                             QString("tab\tname"), QString(QChar(0x7f)) + "del"};
    for (const QString& name : unsafe)
        EXPECT_FALSE(isSafeVideoName(name)) << name.toStdString();
    for (const QString name : {"clip.mp4", "..hidden-looking", "a b é.mp4", "...", "x..y"})
        EXPECT_TRUE(isSafeVideoName(name)) << name.toStdString();

    QStringList server = unsafe;
    server.append("ok.mp4");
    const SyncPlan plan = planSync({"ok.mp4", "x"}, server);
    EXPECT_EQ(plan.rejected, unsafe);
    EXPECT_TRUE(plan.toDownload.isEmpty());
    // A rejected name does not protect a local file either: "x" is not listed.
    EXPECT_EQ(plan.toDelete, QStringList({"x"}));
}
