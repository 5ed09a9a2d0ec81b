#include "monitoring/prometheus_text.h"

#include "monitoring/metrics_parsers.h"
#include "monitoring/player_snapshot.h"

#include <gtest/gtest.h>

using namespace zepril;

namespace {

PlayerSnapshot base()
{
    PlayerSnapshot s;
    s.now = QDateTime::fromSecsSinceEpoch(1796000000);
    s.version = "0.2.0";
    s.state = "starting";
    for (const char* c : {"restaurants", "plages", "night", "boutiques", "services", "documentaires", "index"})
        s.categories << CategoryUsage {c, 0, 0, std::nullopt};
    return s;
}

struct Case {
    const char* name;
    std::function<void(PlayerSnapshot&)> shape;
    QMap<QString, double> expected; // samples that must read so
    QStringList absent; // sample keys that must not be there
};

}

TEST(PrometheusText, EveryStateParsesWithRealParsersAndSaysWhatItHolds)
{
    const QDateTime t0 = QDateTime::fromSecsSinceEpoch(1795990000);
    const std::vector<Case> cases {
        {"starting, nothing known yet",
         [](PlayerSnapshot&) {},
         {{"zepril_up|", 1},
          {"zepril_state|state=starting", 1},
          {"zepril_state|state=playing", 0},
          {"zepril_build_info|version=0.2.0", 1},
          {"zepril_items_played_total|", 0},
          {"zepril_category_files|category=index", 0}},
         {"zepril_picture_black|", "zepril_texts_refresh_timestamp_seconds|", "zepril_sync_outcome|outcome=manual",
          "zepril_filesystem_free_bytes|"}},
        {"playing an item whose name needs escaping, synchronized",
         [&](PlayerSnapshot& s) {
             s.state = "playing";
             s.currentItem = "night/a \"quoted\" back\\slash\nline é.mp4";
             s.itemsPlayed = 42;
             s.playlistSize = 37;
             s.textsLastSuccess = t0;
             s.textsLastRefresh = t0.addSecs(5);
             s.textsOutcome = "refreshed";
             s.syncLast = s.syncLastSuccess = t0;
             s.syncOutcome = "synced";
             s.categories[2] = {"night", 123456789012, 5, true};
             s.filesystemFreeBytes = 9000000000;
             s.filesystemSizeBytes = 64000000000;
             s.bannerPasses = 7;
             s.uptimeSeconds = 3600;
             s.restartsThisBoot = 2;
             s.picture = PictureReport {t0, false, false};
         },
         {{"zepril_state|state=playing", 1},
          {"zepril_state|state=no video", 0},
          {"zepril_item_playing_info|item=night/a \"quoted\" back\\slash\nline é.mp4", 1},
          {"zepril_items_played_total|", 42},
          {"zepril_playlist_items|", 37},
          {"zepril_texts_last_success_timestamp_seconds|", 1795990000},
          {"zepril_texts_refresh_outcome|outcome=refreshed", 1},
          {"zepril_texts_refresh_outcome|outcome=fetch failed", 0},
          {"zepril_sync_last_success_timestamp_seconds|", 1795990000},
          {"zepril_sync_outcome|outcome=synced", 1},
          {"zepril_category_bytes|category=night", 123456789012},
          {"zepril_category_files|category=night", 5},
          {"zepril_category_list_fetched|category=night", 1},
          {"zepril_filesystem_free_bytes|", 9000000000},
          {"zepril_banner_passes_total|", 7},
          {"zepril_uptime_seconds|", 3600},
          {"zepril_restarts_this_boot|", 2},
          {"zepril_picture_black|", 0},
          {"zepril_picture_frozen|", 0}},
         {"zepril_category_list_fetched|category=plages"}},
        {"no video, a failed refresh, an incomplete synchronization",
         [&](PlayerSnapshot& s) {
             s.state = "no video";
             s.textsLastRefresh = t0;
             s.textsOutcome = "fetch failed";
             s.syncLast = t0;
             s.syncOutcome = "incomplete";
             s.failedDownloads = 3;
             s.categories[0].listFetched = false;
         },
         {{"zepril_state|state=no video", 1},
          {"zepril_texts_refresh_outcome|outcome=fetch failed", 1},
          {"zepril_sync_outcome|outcome=incomplete", 1},
          {"zepril_failed_downloads|", 3},
          {"zepril_category_list_fetched|category=restaurants", 0}},
         {"zepril_item_playing_info|item=", "zepril_sync_last_success_timestamp_seconds|"}},
        {"stopping on a black, frozen screen",
         [&](PlayerSnapshot& s) {
             s.state = "stopping";
             s.syncOutcome = "manual";
             s.picture = PictureReport {t0, true, true};
         },
         {{"zepril_up|", 0},
          {"zepril_state|state=stopping", 1},
          {"zepril_sync_outcome|outcome=manual", 1},
          {"zepril_picture_black|", 1},
          {"zepril_picture_frozen|", 1},
          {"zepril_screen_grab_timestamp_seconds|", 1795990000}},
         {}},
    };
    for (const Case& c : cases) {
        PlayerSnapshot s = base();
        c.shape(s);
        const QByteArray text = prometheusText(s);
        const test::ParsedMetrics parsed = test::parseMetrics(text);
        ASSERT_TRUE(parsed.error.isEmpty()) << c.name << ": " << parsed.error.toStdString() << "\n"
                                            << text.toStdString();
        for (auto it = c.expected.begin(); it != c.expected.end(); ++it) {
            ASSERT_TRUE(parsed.samples.contains(it.key())) << c.name << ": no " << it.key().toStdString();
            EXPECT_DOUBLE_EQ(parsed.samples[it.key()], it.value()) << c.name << ": " << it.key().toStdString();
        }
        for (const QString& key : c.absent)
            EXPECT_FALSE(parsed.samples.contains(key)) << c.name << ": " << key.toStdString();
        EXPECT_EQ(parsed.types.value("zepril_items_played"), "counter");
        EXPECT_EQ(parsed.types.value("zepril_uptime_seconds"), "gauge");
        if (const auto complaints = test::promtoolComplaints(text))
            EXPECT_EQ(*complaints, "") << c.name;
        else if (&c == &cases.front())
            std::printf(
                "promtool not found (package prometheus): the metrics are checked by the client library only\n");
    }
}
