#include "core/categories.h"
#include "core/file_helpers.h"
#include "core/playlist.h"

#include <QSet>

#include "core_test.h"

TEST(RandomSource, AFreshSeedEachRun)
{
    RandomSource a, b;
    QList<int> drawsA, drawsB;
    for (int i = 0; i < 8; ++i)
        drawsA.append(a.between(1000000, 0)), drawsB.append(b.between(1000000, 0));
    EXPECT_NE(drawsA, drawsB);
}

TEST(CategoryDraw, AtMostFiveDifferentFilesDrawnFromAllInVaryingOrder)
{
    for (const auto& [count, orderCount] : {std::pair{0, 1}, {1, 1}, {3, 6}, {5, 50}, {12, 150}}) {
        QStringList source;
        for (int i = 0; i < count; ++i)
            source << QStringLiteral("v%1.avi").arg(i);
        QSet<QString> everPicked;
        QSet<QStringList> orders;
        for (unsigned seed = 1; seed <= 200; ++seed) {
            RandomSource random(seed);
            QStringList scratch{"junk"}, playlist{"index/index_ga.avi"};
            drawCategoryVideos(source, scratch, "plages", playlist, random);
            ASSERT_EQ(playlist.takeFirst(), "index/index_ga.avi") << "entries are appended, nothing is replaced";
            ASSERT_EQ(playlist.size(), std::min(count, 5)) << count << " files, seed " << seed;
            ASSERT_EQ(scratch.size(), playlist.size()) << "the scratch list holds the drawn indices";
            for (qsizetype i = 0; i < playlist.size(); ++i)
                ASSERT_EQ(playlist[i], "plages/" + source.at(scratch[i].toInt())) << "drawing order, seed " << seed;
            const QSet<QString> unique(playlist.begin(), playlist.end());
            ASSERT_EQ(unique.size(), playlist.size()) << "a file twice in one block, seed " << seed;
            everPicked.unite(unique);
            orders.insert(playlist);
        }
        EXPECT_EQ(everPicked.size(), count) << "every file must have its chance";
        EXPECT_GE(orders.size(), orderCount) << count << " files: selections and orders must vary between runs";
    }
}

// A real tree composed as at start-up: index videos head every category block.
TEST(Composition, PresentIndexVideosHeadEveryCategoryBlockAndAviWinsWithAStatusPerCategory)
{
    TempTree tree;
    for (const char* name : {"index_ga.avi", "index_hotel.avi", "index_hotel.mp4", "index_hotel_b.mp4",
                             "index_hotel_c.mp4", "index_rub_a.mp4", "index_rub_c.avi", "index_rub_c.mp4"})
        tree.write(QStringLiteral("videos-man/index/") + name, "x");
    tree.write("videos-man/night/n1.avi", "x");
    const QString root = tree.path("videos-man");
    std::array<QStringList, 6> playable;
    for (size_t i = 0; i < kCategories.size(); ++i)
        playable[i] = listOrdinaryFiles(joinPath(root, QLatin1String(kCategories[i].name)));
    QStringList scratch, statuses;
    RandomSource random(99);
    const QStringList hotelWide{"index/index_ga.avi", "index/index_hotel.avi", "index/index_hotel_b.mp4",
                                "index/index_hotel_c.mp4"};
    QStringList expected = hotelWide + QStringList{"index/index_rub_a.mp4"} + hotelWide + hotelWide
        + QStringList{"index/index_rub_c.avi", "night/n1.avi"};
    for (int k = 3; k < 6; ++k)
        expected += hotelWide;
    EXPECT_EQ(composePlaylist(resolveIndexSlots(root, ordinaryFileMatches), playable, root, ordinaryFileMatches, scratch, random,
                              [&](const QString& text) { statuses.append(text); }),
              expected);
    ASSERT_EQ(statuses.size(), 6);
    EXPECT_EQ(statuses[2], QStringLiteral("Constitution de la Playlist Vidéo initiale: catégorie night"));
}
