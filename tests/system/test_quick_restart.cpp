#include "system/quick_restart.h"

#include "core/program_paths.h"
#include "support/temp_tree.h"

#include <gtest/gtest.h>

using namespace zepril;

TEST(QuickRestart, OnlyTheBootInWhichTheChannelPlayedStartsQuicklyAndNotForEver)
{
    const QString boot = QStringLiteral("0b5c1d4e-boot");
    EXPECT_TRUE(chooseStart(ChannelStartRecord {boot, 2}, boot).quick);
    EXPECT_FALSE(chooseStart(ChannelStartRecord {boot, 3}, boot).quick) << "3 quick starts never reached the channel";
    EXPECT_FALSE(chooseStart(ChannelStartRecord {QStringLiteral("other"), 0}, boot).quick) << "another boot";
    EXPECT_FALSE(chooseStart(ChannelStartRecord {boot, 0}, QString()).quick) << "no boot id";

    zepril::test::TempTree tree;
    const ProgramPaths paths(tree.root());
    EXPECT_FALSE(chooseStart(readChannelStart(paths), boot).quick) << "never played here";
    tree.write("cfg/channel_start.txt", boot.toLatin1() + "\r\n");
    EXPECT_FALSE(chooseStart(readChannelStart(paths), boot).quick) << "a damaged record never starts quickly";
    ASSERT_TRUE(writeChannelStart(paths, {boot, 1}));
    EXPECT_EQ(readChannelStart(paths)->quickStarts, 1);
    EXPECT_EQ(currentBootId().size(), 36) << "the kernel's boot id";
}
