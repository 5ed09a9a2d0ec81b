// The one-pass start-up without a window, against a real local update server and
// real files.
#include "app/startup_sequence.h"

#include "app_rig.h"
#include "core/server_config.h"
#include "net/http_transfer.h"
#include "support/fakes.h"
#include "support/video_bytes.h"

#include <QDir>

#include <gtest/gtest.h>

namespace {

struct StartupRun {
    explicit StartupRun(ProgramDir& d) : dir(d) {}
    ProgramDir& dir;
    HttpTransfer downloads{timings()};
    FakeProbe probe{true};
    FakeMediaPlayer player;
    RecordingReporter reporter;
    RandomSource random{7};
    StartupSequence sequence{dir.paths(), readServerConfig(dir.paths().configIni()), timings(),
                             StartupSeams{probe, reporter, downloads, player, random, {}}};

    static constexpr Timings timings() { return {.httpConnectTimeoutMs = 500, .httpIdleTimeoutMs = 1000}; }
};

}

TEST(StartupSequence, ManualModeReportsEachStageInOrderAndHandsThePlaylistOver)
{
    ProgramDir dir;
    dir.config("cycle_phrase=12\r\nnom_hotel=Le Lac\r\nmode_manuel=True\r\n");
    dir.server.serve("/zeprilia/datas/textes/Le%20Lac_txt.ini", QByteArray("Bienvenue \xE0 l'h\xF4tel\r\n\r\nBonne nuit\r\n"));
    dir.server.serve("/zeprilia/datas/videos/night.ini", "n1.avi\r\nn2.avi\r\n");
    for (const char* file : {"videos-man/night/n1.avi", "videos-man/night/.hidden.avi"})
        dir.tree.write(QLatin1String(file), "x");
    StartupRun run{dir};
    qsizetype requestsWhenSettingsRead = -1;
    QObject::connect(&run.sequence, &StartupSequence::settingsRead, [&](const Settings& s) {
        EXPECT_EQ(s.cycle_phrase, "12");
        requestsWhenSettingsRead = dir.server.requests().size();
    });
    run.sequence.run();
    EXPECT_EQ(requestsWhenSettingsRead, 0); // the windows take the settings before any fetch

    const StartupSequence& s = run.sequence;
    EXPECT_TRUE(s.manualMode());
    EXPECT_EQ(s.phrases(), QStringList({QString::fromUtf8("Bienvenue à l'hôtel"), "", "Bonne nuit"}));
    EXPECT_EQ(s.serverLists()[2], QStringList({"n1.avi", "n2.avi"}));
    EXPECT_EQ(s.serverListFetched(), (std::array{false, false, true, false, false, false})); // 404: not fetched
    EXPECT_EQ(s.playable(), (std::array<QStringList, 6>{{{}, {}, {"n1.avi"}, {}, {}, {}}}));
    EXPECT_TRUE(s.playlist().contains("night/n1.avi"));
    EXPECT_EQ(run.player.items.size(), s.playlist().size());
    EXPECT_EQ(run.player.calls.front(), "clear");
    EXPECT_EQ(run.player.calls.back(), "play");
    EXPECT_FALSE(run.reporter.connectionWarningShown());
    for (const RecordedRequest& request : dir.server.requests())
        EXPECT_FALSE(request.target.startsWith("/videos/")) << "manual mode downloads nothing";

    // The start-up window shows exactly these lines and marks, in this order.
    QStringList expected{"Chargement des options... ", QString::fromUtf8("Téléchargement des phrases de l'hotel  [ LE LAC ]"),
                         "stage 7", "Téléchargement de la liste des videos de l'hotel  [ LE LAC ]"};
    for (int k = 0; k < 6; ++k)
        expected << QStringLiteral("stage %1").arg(k);
    expected << "Chargement des listes des rubriques..." << "stage 6"
             << QString::fromUtf8("Constitution de la Playlist Vidéo initiale... ");
    const QStringList& seq = run.reporter.events;
    ASSERT_GE(seq.size(), expected.size() + 1);
    EXPECT_EQ(seq.mid(0, expected.size()), expected);
    EXPECT_TRUE(seq.contains(QString::fromUtf8("Constitution de la Playlist Vidéo initiale: catégorie night")));
    EXPECT_EQ(seq.last(), "stage 8");
}

TEST(StartupSequence, AutomaticModeSynchronizesEachCategoryAndKeepsFailedDownloadsOut)
{
    ProgramDir dir;
    dir.config("mode_manuel=False\r\n");
    const QByteArray video = test::patterned(300000);
    dir.server.serve("/zeprilia/datas/videos/plages.ini", "good.mp4\r\nbroken.mp4\r\n");
    dir.server.serve("/videos/plages/good.mp4", video);
    dir.server.deliver("/videos/plages/broken.mp4", video, {.cutAt = 1000});
    // broken.mp4 also sits in another category, a file of its own that stays playable.
    dir.tree.write("videos-auto/night/broken.mp4", "x");
    dir.server.serve("/zeprilia/datas/videos/night.ini", "broken.mp4\r\n");
    dir.tree.write("videos-auto/plages/stale.mp4", "x");
    dir.tree.write("videos-auto/services/kept.mp4", "x"); // services' list is not served: untouched
    StartupRun run{dir};
    run.sequence.run();
    const StartupSequence& s = run.sequence;

    EXPECT_EQ(s.videoFolder(), "videos-auto");
    EXPECT_EQ(dir.tree.read("videos-auto/plages/good.mp4"), video);
    EXPECT_EQ(QDir(dir.tree.path("videos-auto/plages")).entryList(QDir::Files), QStringList({"good.mp4"}));
    EXPECT_EQ(s.playable(), (std::array<QStringList, 6>{{{}, {"good.mp4"}, {"broken.mp4"}, {}, {"kept.mp4"}, {}}}));
    EXPECT_FALSE(s.playlist().contains("plages/broken.mp4"));
    EXPECT_TRUE(s.playlist().contains("plages/good.mp4"));
    const QString brokenPath = dir.paths().categoryDir("videos-auto", "plages") + "/broken.mp4";
    EXPECT_EQ(s.failedDownloads(), QStringList({brokenPath}));
    EXPECT_TRUE(dir.journal().isEmpty()) << "a cut without a validator leaves nothing to resume";

    // Each category's mark comes right after its own synchronization, in order.
    const QStringList& seq = run.reporter.events;
    qsizetype previous = -1;
    for (int k = 0; k < 6; ++k) {
        const char* category = std::array{"restaurants", "plages", "night", "boutiques", "services", "documentaires"}[size_t(k)];
        const qsizetype sync = seq.indexOf(QString::fromUtf8("Synchronisation catégorie ") + QLatin1String(category));
        const qsizetype mark = seq.indexOf(QStringLiteral("stage %1").arg(k));
        ASSERT_GE(sync, 0) << category;
        EXPECT_GT(sync, previous) << category;
        EXPECT_GT(mark, sync) << category;
        previous = mark;
    }
    EXPECT_TRUE(seq.contains("TELECHARGEMENT [ good.mp4 ]"));
}

TEST(StartupSequence, AListedVideoThePlayerCannotOpenIsCheckedAndFetchedAgainOnlyInAutomaticMode)
{
    ProgramDir dir;
    dir.config("mode_manuel=False\r\n");
    const QByteArray video = test::patterned(5000);
    dir.server.serve("/zeprilia/datas/videos/night.ini", "bad.mp4\r\ngood.mp4\r\n");
    dir.tree.write("videos-auto/night/bad.mp4", "not a video");
    dir.tree.write("videos-auto/night/good.mp4", video); // its failure is transient
    dir.tree.write("videos-auto/index/index_ga.avi", "not a video either");
    {
        StartupRun run{dir};
        run.sequence.run();
        const QString bad = dir.paths().itemPath("videos-auto", "night/bad.mp4");
        run.sequence.playerCouldNotOpen(dir.paths().itemPath("videos-auto", "index/index_ga.avi")); // never downloaded
        run.sequence.playerCouldNotOpen(bad);
        run.sequence.playerCouldNotOpen(bad); // every pass fails again: journaled once
        run.sequence.playerCouldNotOpen(dir.paths().itemPath("videos-auto", "night/good.mp4"));
        EXPECT_EQ(dir.journal().value(0), bad);
        EXPECT_EQ(dir.journal().size(), 2);
    }
    // A start-up without a connection keeps the good video and plays it.
    {
        StartupRun offline{dir};
        offline.probe.connected = false;
        offline.sequence.run();
        EXPECT_EQ(dir.tree.read("videos-auto/night/good.mp4"), video);
        EXPECT_TRUE(offline.sequence.playlist().contains("night/good.mp4"));
    }
    // The next start-up finds it is no video, deletes it and downloads it again.
    dir.server.serve("/videos/night/bad.mp4", video);
    {
        StartupRun run{dir};
        run.sequence.run();
        EXPECT_EQ(dir.tree.read("videos-auto/night/bad.mp4"), video);
        EXPECT_TRUE(dir.tree.exists("videos-auto/index/index_ga.avi"));
        EXPECT_TRUE(dir.journal().isEmpty());
    }
    // Manual mode never deletes anything.
    dir.config("mode_manuel=True\r\n");
    dir.tree.write("videos-man/night/bad.mp4", "not a video");
    StartupRun manual{dir};
    manual.sequence.run();
    manual.sequence.playerCouldNotOpen(dir.paths().itemPath("videos-man", "night/bad.mp4"));
    EXPECT_TRUE(dir.journal().isEmpty());
}
