// The synchronization's decisions alone, from a listing and a server list.
#include "sync/sync_plan.h"

#include <gtest/gtest.h>

using namespace zepril;

TEST(SyncPlan, OnlyPlainFileNamesAreSafe)
{
    for (const QString name :
         {"", ".", "..", "../x", "a/b", "a\\b", "/etc/passwd", "bad\nname", "tab\tname", "\x7f" "del"})
        EXPECT_FALSE(isSafeVideoName(name)) << name.toStdString();
    for (const QString name : {"clip.mp4", "..hidden-looking", "a b é.mp4", "...", "x..y"})
        EXPECT_TRUE(isSafeVideoName(name)) << name.toStdString();
}
