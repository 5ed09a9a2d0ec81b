#include "core/categories.h"
#include "core/file_helpers.h"
#include "core/playlist.h"

#include "support/qt_print.h"
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
    const std::map<int, int> minOrders{{0, 1}, {1, 1}, {3, 6}, {5, 50}, {12, 150}};
    for (const auto& [count, orderCount] : minOrders) {
        SCOPED_TRACE(count);
        const QStringList source = names(count);
        const QStringList all = prefixed("plages", source);
        QSet<QString> everPicked;
        QSet<QStringList> orders;
        for (unsigned seed = 1; seed <= 200; ++seed) {
            RandomSource random(seed);
            QStringList scratch{"junk"};
            QStringList playlist{"index/index_ga.avi"};
            BuildInitialPlaylist(source, scratch, "plages", playlist, random);
            ASSERT_EQ(playlist.first(), "index/index_ga.avi") << "entries are appended, nothing is replaced";
            const QStringList added = playlist.mid(1);
            ASSERT_EQ(added.size(), std::min(count, 5)) << "seed " << seed;
            const QSet<QString> unique(added.begin(), added.end());
            ASSERT_EQ(unique.size(), added.size()) << "a file twice in one block, seed " << seed;
            ASSERT_TRUE(QSet<QString>(all.begin(), all.end()).contains(unique)) << "seed " << seed;
            if (count <= 5) { // the block follows the drawing order kept in the scratch list
                ASSERT_EQ(scratch.size(), count);
                for (int i = 0; i < count; ++i)
                    EXPECT_EQ(added[i], all.at(scratch[i].toInt()));
            }
            everPicked.unite(unique);
            orders.insert(added);
        }
        EXPECT_EQ(everPicked.size(), count) << "every file must have its chance";
        EXPECT_GE(orders.size(), orderCount) << "selections and orders must vary between runs";
    }
}

TEST(IndexSlots, AviWinsMp4OtherwiseEvenWhenAbsent)
{
    test::TempTree tree;
    const QString root = tree.mkdir("videos-man");
    for (const char* name : {"index_ga.avi", "index_hotel.avi", "index_hotel.mp4", "index_hotel_b.mp4",
                             "index_rub_f.mp4", "index_rub_c.avi"})
        tree.write(QStringLiteral("videos-man/index/") + name, "x");

    QStringList asked;
    const IndexSlots s = resolveIndexSlots(root, [&](const QString& p) {
        asked.append(p);
        return FileExists(p);
    });
    EXPECT_EQ(QStringList({s.index_ga, s.index_hotel, s.index_hotel_a, s.index_hotel_b, s.index_rub[2],
                           s.index_rub[5]}),
              QStringList({"index/index_ga.avi", "index/index_hotel.avi", "index/index_hotel_a.mp4",
                           "index/index_hotel_b.mp4", "index/index_rub_c.avi", "index/index_rub_f.mp4"}));
    ASSERT_EQ(asked.size(), 11);
    EXPECT_EQ(asked.last(), root + "/index/index_rub_f.avi") << "only the .avi candidate is looked for";
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
    EXPECT_NE(playlist.indexOf("night/n1.avi"), playlist.indexOf("night/n2.mp4"));
}

TEST_F(Composition, MissingIndexVideosAreLeftOutAndAviWins)
{
    for (const char* name : {"index_hotel.avi", "index_hotel.mp4", "index_hotel_b.mp4", "index_rub_a.mp4"})
        writeIndex(name);
    QStringList expected{"index/index_hotel.avi", "index/index_hotel_b.mp4", "index/index_rub_a.mp4"};
    for (int k = 1; k < 6; ++k)
        expected << "index/index_hotel.avi" << "index/index_hotel_b.mp4";
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
    EXPECT_EQ(statuses[5], QStringLiteral("Constitution de la Playlist Vidéo initiale: catégorie documentaires"));
}
