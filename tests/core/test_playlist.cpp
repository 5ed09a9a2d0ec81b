#include "core/categories.h"
#include "core/file_helpers.h"
#include "core/playlist.h"

#include "support/qt_print.h"
#include "support/temp_tree.h"

#include <QSet>

#include <gtest/gtest.h>

using namespace zepril;

TEST(RandomSource, BothBoundsInEitherOrderAndAFreshSeedEachRun)
{
    RandomSource random(12345);
    QSet<int> seen;
    for (int i = 0; i < 200; ++i)
        seen.insert(random.RandomBetween(3, 5));
    EXPECT_EQ(seen, QSet<int>({3, 4, 5}));

    RandomSource a, b;
    QList<int> drawsA, drawsB;
    for (int i = 0; i < 8; ++i) {
        drawsA.append(a.RandomBetween(1000000, 0));
        drawsB.append(b.RandomBetween(1000000, 0));
    }
    EXPECT_NE(drawsA, drawsB);
}

TEST(BuildInitialPlaylist, AtMostFiveDifferentFilesDrawnFromAllInVaryingOrder)
{
    for (const auto& [count, orderCount] : {std::pair{0, 1}, {1, 1}, {3, 6}, {5, 50}, {12, 150}}) {
        SCOPED_TRACE(count);
        QStringList source;
        for (int i = 0; i < count; ++i)
            source << QStringLiteral("v%1.avi").arg(i);
        QSet<QString> everPicked;
        QSet<QStringList> orders;
        for (unsigned seed = 1; seed <= 200; ++seed) {
            RandomSource random(seed);
            QStringList scratch{"junk"};
            QStringList playlist{"index/index_ga.avi"};
            BuildInitialPlaylist(source, scratch, "plages", playlist, random);
            ASSERT_EQ(playlist.takeFirst(), "index/index_ga.avi") << "entries are appended, nothing is replaced";
            ASSERT_EQ(playlist.size(), std::min(count, 5)) << "seed " << seed;
            ASSERT_EQ(scratch.size(), playlist.size()) << "the scratch list holds the drawn indices";
            for (qsizetype i = 0; i < playlist.size(); ++i)
                ASSERT_EQ(playlist[i], "plages/" + source.at(scratch[i].toInt())) << "drawing order, seed " << seed;
            const QSet<QString> unique(playlist.begin(), playlist.end());
            ASSERT_EQ(unique.size(), playlist.size()) << "a file twice in one block, seed " << seed;
            everPicked.unite(unique);
            orders.insert(playlist);
        }
        EXPECT_EQ(everPicked.size(), count) << "every file must have its chance";
        EXPECT_GE(orders.size(), orderCount) << "selections and orders must vary between runs";
    }
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
        QStringList scratch;
        RandomSource random(99);
        return composePlaylist(resolveIndexSlots(root, FileExists), playable, root, FileExists, scratch, random,
                               [&](const QString& text) {
                                   if (statuses)
                                       statuses->append(text);
                               });
    }

    test::TempTree tree;
};

TEST_F(Composition, PresentIndexVideosHeadEveryCategoryBlockAndAviWins)
{
    for (const char* name : {"index_ga.avi", "index_hotel.avi", "index_hotel.mp4", "index_hotel_b.mp4",
                             "index_hotel_c.mp4", "index_rub_a.mp4", "index_rub_c.avi", "index_rub_c.mp4"})
        tree.write(QStringLiteral("videos-man/index/") + name, "x");
    tree.write("videos-man/night/n1.avi", "x");
    const QStringList hotelWide{"index/index_ga.avi", "index/index_hotel.avi", "index/index_hotel_b.mp4",
                                "index/index_hotel_c.mp4"};
    QStringList expected = hotelWide + QStringList{"index/index_rub_a.mp4"};
    expected += hotelWide;
    expected += hotelWide + QStringList{"index/index_rub_c.avi", "night/n1.avi"};
    for (int k = 3; k < 6; ++k)
        expected += hotelWide;
    EXPECT_EQ(compose(), expected);
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
}
