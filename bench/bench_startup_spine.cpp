// Times the start-up spine on a full-size tree: six category directories of 2,000
// files each plus the index videos. Stages: listing the six directories, resolving the
// index slots and composing the playlist, and the hand-over to a player that records
// its calls (the hand-over checks every item on disk again).
//
// Usage: bench_startup_spine [runs=15] [files-per-category=2000]
#include "core/categories.h"
#include "core/file_helpers.h"
#include "core/playlist.h"
#include "core/program_paths.h"
#include "presentation/playlist_handover.h"
#include "support/fakes.h"
#include "support/temp_tree.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>

#include <algorithm>
#include <array>
#include <cstdio>
#include <vector>

using namespace zepril;

namespace {

const char* const kIndexVideos[] = {"index_ga.avi",      "index_hotel.avi", "index_hotel_a.avi", "index_hotel_b.mp4",
                                    "index_hotel_c.avi", "index_rub_a.avi", "index_rub_b.mp4",   "index_rub_c.avi",
                                    "index_rub_d.avi",   "index_rub_e.avi", "index_rub_f.mp4"};

struct Figures {
    std::vector<double> ms;
    double median() const
    {
        std::vector<double> v = ms;
        std::sort(v.begin(), v.end());
        const size_t n = v.size();
        return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
    }
    double max() const { return *std::max_element(ms.begin(), ms.end()); }
};

double msSince(const QElapsedTimer& t) { return double(t.nsecsElapsed()) / 1e6; }

bool touch(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 15;
    const int perCategory = argc > 2 ? std::max(0, atoi(argv[2])) : 2000;

    test::TempTree tree;
    const ProgramPaths paths(tree.root());
    const QString active = QStringLiteral("videos-man");
    QElapsedTimer setup;
    setup.start();
    for (const Category& c : kCategories) {
        const QString dir = tree.mkdir(paths.categoryDir(active, QLatin1String(c.name)).mid(tree.root().size() + 1));
        for (int i = 0; i < perCategory; ++i) {
            if (!touch(QStringLiteral("%1/%2_%3.avi").arg(dir, QLatin1String(c.name)).arg(i, 5, 10, QChar(u'0')))) {
                std::fprintf(stderr, "cannot create files under %s\n", qPrintable(dir));
                return 1;
            }
        }
    }
    for (const char* name : kIndexVideos)
        tree.write(QStringLiteral("%1/index/%2").arg(active, QLatin1String(name)));
    std::printf("tree: 6 categories x %d empty files + %zu index videos under %s (made in %.0f ms)\n", perCategory,
                std::size(kIndexVideos), qPrintable(tree.root()), msSince(setup));

    const QString videoRoot = paths.videoRoot(active);
    Figures listing, composition, existence, total;
    qsizetype items = 0, present = 0, listed = 0;
    RandomSource random;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer t;
        t.start();
        std::array<QStringList, 6> playable;
        for (size_t i = 0; i < kCategories.size(); ++i)
            playable[i] = listOrdinaryFiles(paths.categoryDir(active, QLatin1String(kCategories[i].name)));
        listing.ms.push_back(msSince(t));

        t.restart();
        QStringList scratch;
        const IndexSlots found = resolveIndexSlots(videoRoot, ordinaryFileMatches);
        const QStringList playlist = composePlaylist(found, playable, videoRoot, ordinaryFileMatches, scratch, random);
        composition.ms.push_back(msSince(t));

        t.restart();
        zepril::test::FakeMediaPlayer player;
        int insertIndex = 0;
        const qsizetype ok = handOverPlaylist(
            playlist, [&](const QString& item) { return paths.itemPath(active, item); }, ordinaryFileMatches, player,
            insertIndex);
        existence.ms.push_back(msSince(t));
        total.ms.push_back(listing.ms.back() + composition.ms.back() + existence.ms.back());

        listed = 0;
        for (const QStringList& l : playable)
            listed += l.size();
        items = playlist.size();
        present = ok;
    }

    std::printf("per run: %lld files listed, %lld playlist items, %lld handed to the player\n",
                static_cast<long long>(listed), static_cast<long long>(items), static_cast<long long>(present));
    std::printf("%d runs, ms               median      max\n", runs);
    const auto row = [](const char* name, const Figures& f) {
        std::printf("  %-28s %8.3f %8.3f\n", name, f.median(), f.max());
    };
    row("list six directories", listing);
    row("index slots + composition", composition);
    row("hand-over", existence);
    row("spine total", total);
    return listed == 6LL * perCategory && present == items ? 0 : 1;
}
