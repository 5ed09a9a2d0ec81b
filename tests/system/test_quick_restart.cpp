#include "system/quick_restart.h"

#include "core/program_paths.h"
#include "support/temp_tree.h"

#include <gtest/gtest.h>

using namespace zepril;
using namespace zepril::test;

TEST(QuickRestart, OnlyTheBootInWhichTheChannelPlayedStartsQuicklyAndNotForEver)
{
    const QString boot = QStringLiteral("0b5c1d4e-boot");
    const struct {
        std::optional<ChannelStartRecord> record;
        QString bootId;
        bool quick;
        const char* reason;
    } rows[] = {
        {ChannelStartRecord {boot, 0}, boot, true, "already played in this boot"},
        {ChannelStartRecord {boot, 2}, boot, true, "already played"},
        {ChannelStartRecord {boot, 3}, boot, false, "3 quick starts in a row"},
        {ChannelStartRecord {QStringLiteral("other"), 0}, boot, false, "first start since the machine booted"},
        {std::nullopt, boot, false, "has not played yet"},
        {ChannelStartRecord {boot, 0}, QString(), false, "no id"},
    };
    for (const auto& r : rows) {
        const StartChoice choice = chooseStart(r.record, r.bootId);
        EXPECT_EQ(choice.quick, r.quick) << r.reason;
        EXPECT_TRUE(choice.reason.contains(QLatin1String(r.reason))) << choice.reason.toStdString();
    }

    TempTree tree;
    tree.mkdir(QStringLiteral("cfg"));
    const ProgramPaths paths(tree.root());
    EXPECT_FALSE(readChannelStart(paths));
    ASSERT_TRUE(writeChannelStart(paths, {boot, 1}));
    EXPECT_EQ(tree.read("cfg/channel_start.txt"), "0b5c1d4e-boot\r\n1\r\n");
    EXPECT_EQ(readChannelStart(paths)->quickStarts, 1);
    tree.write("cfg/channel_start.txt", boot.toLatin1() + "\r\n");
    EXPECT_FALSE(chooseStart(readChannelStart(paths), boot).quick) << "a damaged record never starts quickly";
    EXPECT_EQ(currentBootId().size(), 36) << "the kernel's boot id";
}
