#include "app/core/categories.h"
#include "app/core/file_helpers.h"
#include "app/core/playlist.h"

#include "qt_print.h"
#include "support/temp_tree.h"

#include <QSet>

#include <gtest/gtest.h>

#include <map>

using namespace zepril;

namespace {

QStringList names(int count, const QString& stem = QStringLiteral("v"))
{
    QStringList list;
    for (int i = 0; i < count; ++i)
        list.append(QStringLiteral("%1%2.avi").arg(stem).arg(i));
    return list;
}

QStringList prefixed(const QString& category, const QStringList& entries)
{
    QStringList out;
    for (const QString& e : entries)
        out.append(category + u'/' + e);
    return out;
}

const QStringList kHotelWide{"index/index_ga.avi", "index/index_hotel.avi", "index/index_hotel_a.avi",
                             "index/index_hotel_b.avi", "index/index_hotel_c.avi"};

} // namespace

TEST(RandomBetween, BoundsAndUniformity)
{
    RandomSource random(12345);
    for (int i = 0; i < 200; ++i)
        ASSERT_EQ(random.RandomBetween(0, 0), 0);

    constexpr int kDraws = 50000;
    std::map<int, int> counts;
    for (int i = 0; i < kDraws; ++i)
        ++counts[random.RandomBetween(4, 0)];
    ASSERT_EQ(counts.size(), 5u);
    EXPECT_EQ(counts.begin()->first, 0);
    EXPECT_EQ(counts.rbegin()->first, 4);
    for (const auto& [v, n] : counts)
        EXPECT_NEAR(n, kDraws / 5, kDraws / 5 * 0.05) << "value " << v; // about 9 standard deviations

    for (int i = 0; i < 1000; ++i) {
        const int r = random.RandomBetween(7, 3);
        ASSERT_GE(r, 3);
        ASSERT_LE(r, 7);
    }
}

TEST(RandomBetween, EveryRunDrawsAnewWithoutAFixedSeed)
{
    RandomSource a;
    RandomSource b;
    QList<int> drawsA, drawsB;
    for (int i = 0; i < 32; ++i) {
        drawsA.append(a.RandomBetween(1000000, 0));
        drawsB.append(b.RandomBetween(1000000, 0));
    }
    EXPECT_NE(drawsA, drawsB);
}

TEST(BuildInitialPlaylist, SmallCategoriesContributeEveryFileOnce)
{
    RandomSource random(7);
    QStringList scratch{"junk"};
    QStringList playlist{"index/index_ga.avi"};
    BuildInitialPlaylist({"A", "B", "C"}, scratch, "plages", playlist, random);
    ASSERT_EQ(playlist.size(), 4);
    EXPECT_EQ(playlist.first(), "index/index_ga.avi") << "entries are appended, nothing is replaced";
    QStringList added = playlist.mid(1);
    // The playlist follows the drawing order kept in the scratch list.
    ASSERT_EQ(scratch.size(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(added[i], QStringLiteral("plages/") + QStringList({"A", "B", "C"}).at(scratch[i].toInt()));
    added.sort();
    EXPECT_EQ(added, QStringList({"plages/A", "plages/B", "plages/C"}));

    playlist.clear();
    BuildInitialPlaylist({"only.avi"}, scratch, "night", playlist, random);
    EXPECT_EQ(playlist, QStringList({"night/only.avi"}));
    EXPECT_EQ(scratch, QStringList({"0"}));

    playlist.clear();
    BuildInitialPlaylist({}, scratch, "night", playlist, random);
    EXPECT_TRUE(playlist.isEmpty());
    EXPECT_TRUE(scratch.isEmpty());
}

TEST(BuildInitialPlaylist, LargeCategoriesContributeFiveDifferentFilesDrawnFromAll)
{
    const QStringList source = names(12);
    const QStringList all = prefixed("services", source);
    const QSet<QString> allowed(all.begin(), all.end());
    QSet<QString> everPicked;
    QSet<QStringList> distinctSelections;
    for (unsigned seed = 1; seed <= 200; ++seed) {
        RandomSource random(seed);
        QStringList scratch, playlist;
        BuildInitialPlaylist(source, scratch, "services", playlist, random);
        ASSERT_EQ(playlist.size(), 5) << "seed " << seed;
        const QSet<QString> unique(playlist.begin(), playlist.end());
        ASSERT_EQ(unique.size(), 5) << "a file twice in one block, seed " << seed;
        ASSERT_TRUE(allowed.contains(unique)) << "seed " << seed;
        everPicked.unite(unique);
        distinctSelections.insert(playlist);
    }
    EXPECT_EQ(everPicked.size(), 12) << "every file must have its chance";
    EXPECT_GT(distinctSelections.size(), 150) << "selections and orders must vary between runs";
}

TEST(BuildInitialPlaylist, FiveFilesAreAllTakenInVaryingOrder)
{
    const QStringList source = names(5);
    QSet<QStringList> orders;
    for (unsigned seed = 1; seed <= 50; ++seed) {
        RandomSource random(seed);
        QStringList scratch, playlist;
        BuildInitialPlaylist(source, scratch, "boutiques", playlist, random);
        QStringList sorted = playlist;
        sorted.sort();
        ASSERT_EQ(sorted, prefixed("boutiques", source));
        orders.insert(playlist);
    }
    EXPECT_GT(orders.size(), 10);
}

TEST(IndexSlots, AviWinsMp4OtherwiseEvenWhenAbsent)
{
    test::TempTree tree;
    const QString root = tree.mkdir("videos-man");
    tree.write("videos-man/index/index_ga.avi", "x");
    tree.write("videos-man/index/index_hotel.avi", "x");
    tree.write("videos-man/index/index_hotel.mp4", "x");
    tree.write("videos-man/index/index_hotel_b.mp4", "x");
    tree.write("videos-man/index/index_rub_f.mp4", "x");
    tree.write("videos-man/index/index_rub_c.avi", "x");

    QStringList asked;
    const IndexSlots s = resolveIndexSlots(root, [&](const QString& p) {
        asked.append(p);
        return FileExists(p);
    });
    EXPECT_EQ(s.index_ga, "index/index_ga.avi");
    EXPECT_EQ(s.index_hotel, "index/index_hotel.avi");
    EXPECT_EQ(s.index_hotel_a, "index/index_hotel_a.mp4");
    EXPECT_EQ(s.index_hotel_b, "index/index_hotel_b.mp4");
    EXPECT_EQ(s.index_hotel_c, "index/index_hotel_c.mp4");
    EXPECT_EQ(s.index_rub[0], "index/index_rub_a.mp4");
    EXPECT_EQ(s.index_rub[2], "index/index_rub_c.avi");
    EXPECT_EQ(s.index_rub[5], "index/index_rub_f.mp4");
    ASSERT_EQ(asked.size(), 11);
    EXPECT_EQ(asked.first(), root + "/index/index_ga.avi");
    EXPECT_EQ(asked.last(), root + "/index/index_rub_f.avi");
    for (const QString& p : asked)
        EXPECT_TRUE(p.endsWith(".avi")) << "only the .avi candidate is looked for";
}

// A real tree with index videos and category videos, composed as at start-up.
class Composition : public ::testing::Test {
protected:
    QStringList compose(QStringList* statuses = nullptr)
    {
        const QString root = tree.path("videos-man");
        std::array<QStringList, 6> playable;
        for (size_t i = 0; i < kCategories.size(); ++i)
            playable[i] = listOrdinaryFiles(joinPath(root, QLatin1String(kCategories[i].name)));
        const IndexSlots found = resolveIndexSlots(root, FileExists);
        QStringList scratch;
        RandomSource random(99);
        return composePlaylist(found, playable, root, FileExists, scratch, random, [&](const QString& text) {
            if (statuses)
                statuses->append(text);
        });
    }

    void writeIndex(const QString& name) { tree.write("videos-man/index/" + name, "x"); }

    test::TempTree tree;
};

TEST_F(Composition, IndexVideosHeadEveryCategoryBlock)
{
    for (const QString& slot : kHotelWide)
        writeIndex(slot.mid(6));
    writeIndex("index_rub_c.avi");
    tree.write("videos-man/night/n1.avi", "x");
    tree.write("videos-man/night/n2.mp4", "x");
    tree.write("videos-man/plages/p1.avi", "x");

    const QStringList playlist = compose();

    QStringList expected;
    expected += kHotelWide;                                                     // restaurants
    expected += kHotelWide + QStringList{"plages/p1.avi"};                      // plages
    expected += kHotelWide + QStringList{"index/index_rub_c.avi", "NIGHT", "NIGHT"}; // night
    for (int i = 0; i < 3; ++i)
        expected += kHotelWide;                                                 // boutiques .. documentaires
    ASSERT_EQ(playlist.size(), expected.size()) << playlist.join(", ").toStdString();
    for (qsizetype i = 0; i < expected.size(); ++i) {
        if (expected[i] == "NIGHT")
            EXPECT_TRUE(playlist[i] == "night/n1.avi" || playlist[i] == "night/n2.mp4") << i;
        else
            EXPECT_EQ(playlist[i], expected[i]) << i;
    }
    for (const QString& slot : kHotelWide)
        EXPECT_EQ(playlist.count(slot), 6) << slot.toStdString();
    EXPECT_EQ(playlist.count("index/index_rub_c.avi"), 1);
    EXPECT_NE(playlist.indexOf("night/n1.avi"), playlist.indexOf("night/n2.mp4"));
}

TEST_F(Composition, MissingIndexVideosAreLeftOut)
{
    writeIndex("index_hotel.avi");
    writeIndex("index_hotel.mp4");
    writeIndex("index_hotel_b.mp4");
    writeIndex("index_rub_a.mp4");
    const QStringList playlist = compose();
    for (const QString& item : playlist)
        EXPECT_FALSE(item.contains("index_ga")) << "neither .avi nor .mp4 exists";
    EXPECT_EQ(playlist.count("index/index_hotel.avi"), 6);
    EXPECT_EQ(playlist.count("index/index_hotel.mp4"), 0) << ".avi wins when both exist";
    EXPECT_EQ(playlist.count("index/index_hotel_b.mp4"), 6);
    EXPECT_EQ(playlist.mid(0, 3), QStringList({"index/index_hotel.avi", "index/index_hotel_b.mp4",
                                               "index/index_rub_a.mp4"}));
    EXPECT_EQ(playlist.size(), 6 * 2 + 1);
}

TEST_F(Composition, NothingOnDiskGivesAnEmptyPlaylist)
{
    tree.mkdir("videos-man/index");
    tree.mkdir("videos-man/night");
    EXPECT_TRUE(compose().isEmpty());
}

TEST_F(Composition, AtMostFiveVideosPerCategoryAndStatusPerCategory)
{
    for (const Category& c : kCategories) {
        for (int i = 0; i < 12; ++i)
            tree.write(QStringLiteral("videos-man/%1/clip%2.avi").arg(QLatin1String(c.name)).arg(i), "x");
    }
    QStringList statuses;
    const QStringList playlist = compose(&statuses);
    EXPECT_EQ(playlist.size(), 30);
    for (qsizetype i = 0; i < playlist.size(); ++i)
        EXPECT_TRUE(playlist[i].startsWith(QLatin1String(kCategories[i / 5].name) + u'/')) << i;
    EXPECT_EQ(QSet<QString>(playlist.begin(), playlist.end()).size(), 30);

    ASSERT_EQ(statuses.size(), 6);
    EXPECT_EQ(statuses[2], QStringLiteral("Constitution de la Playlist Vidéo initiale: catégorie night"));
    EXPECT_EQ(statuses[5], QStringLiteral("Constitution de la Playlist Vidéo initiale: catégorie documentaires"));
    EXPECT_EQ(playlistStatusText("plages"), QStringLiteral("Constitution de la Playlist Vidéo initiale: catégorie plages"));
}
