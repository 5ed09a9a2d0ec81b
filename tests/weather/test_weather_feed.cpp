#include "recording_display.h"
#include "support/fakes.h"
#include "support/http_test_server.h"
#include "support/temp_tree.h"
#include "weather/weather_feed.h"

#include <QTimer>

#include <gtest/gtest.h>

using namespace zepril;

namespace {
QByteArray forecast(const QString& word, const QString& morning, const QString& evening = "6")
{
    const QString xml("<m><pictos_matin>%1</pictos_matin><tempe_matin>%2</tempe_matin><tempe_soir>%3</tempe_soir></m>");
    return xml.arg(word, morning, evening).toUtf8();
}
}

TEST(WeatherFeed, EverySixtiethTickRefreshesAndAFailedFetchKeepsWhatTheStripShowed)
{
    const QString path = QStringLiteral("/api/api/rss_simple.php");
    test::TempTree tree;
    tree.mkdir("cfg");
    test::FakeClock clock(QDateTime(QDate(2026, 7, 14), QTime(9, 30))); // the morning slot
    test::FakeProbe probe;
    test::RecordingDisplay display;
    QStringList values;
    QString panelText;
    int tickCount = 0;
    test::TestHttpServer server;
    const auto makeFeed = [&](const QString& at, WeatherFetch fetch = httpWeatherFetch({1000, 2000})) {
        return std::make_unique<WeatherFeed>(clock, probe, ProgramPaths(tree.root()), parseServerAddress(at, "http"),
                                             std::move(fetch), display, WeatherFields{values, panelText, tickCount});
    };
    auto feed = makeFeed(server.baseUrl());
    const auto ticks = [&](int n) {
        display.calls.clear();
        for (int i = 0; i < n; ++i)
            feed->onWeatherTick();
        return display.calls;
    };

    // Close to a megabyte, with the morning's values only at the end: the panel gets the beginning.
    const QByteArray body = "<meteo><ville>" + QByteArray(900 * 1024, 'v') + "</ville>" + forecast("averse", "12");
    server.serve(path, body, 200, "text/xml");
    const QStringList shown = QStringList(59, "show") << "temperature 12 \u00B0" << "pictogram 3" << "show" << "show";
    EXPECT_EQ(ticks(60), shown);
    EXPECT_EQ(server.requests().value(0).target, "/api/api/rss_simple.php?id=32704&");
    EXPECT_EQ(std::tuple(tree.read("cfg/meteo.xml"), panelText, values),
              std::tuple(body, QString::fromLatin1(body.left(kPanelExtractChars)), QStringList{"averse", "12"}));

    // Hidden at once while disconnected; the 60th tick is spent then, the next attempt comes 60 ticks later.
    probe.connected = false;
    EXPECT_EQ(ticks(60), QStringList(61, "hide"));
    probe.connected = true;
    EXPECT_EQ(ticks(60), shown);

    // Every failing answer carries other values: showing 99 would mean a failure was taken for content.
    const QByteArray other = forecast("orageloc", "99", "99");
    const std::pair<const char*, std::function<void()>> faults[] = {
        {"error status", [&] { server.serve(path, other, 500); }},
        {"cut after the values", [&] { server.deliver(path, other, {.cutAt = other.indexOf("</m>")}); }},
        {"length not sent", [&] { server.deliver(path, other, {.announced = other.size() + 500}); }},
        {"server down", [&] { feed = makeFeed(QStringLiteral("127.0.0.1:%1").arg(test::unusedLocalPort())); }}};
    for (const auto& [what, arrange] : faults) {
        SCOPED_TRACE(what);
        arrange();
        EXPECT_EQ(ticks(60), QStringList(61, "show"));
        EXPECT_TRUE(tree.read("cfg/meteo.xml").isEmpty()) << "the stale copy must be gone";
    }
    EXPECT_EQ(server.requests().size(), 5); // one a refresh, none to the server that is down

    // A refresh run while this one waits on the event loop leaves one set of values, not two.
    int fetches = 0;
    feed = makeFeed(server.baseUrl(), [&](const QString& url, const QString& to) {
        if (++fetches == 1)
            QTimer::singleShot(0, [&] { feed->refresh(); });
        return httpWeatherFetch({1000, 2000})(url, to);
    });
    server.serve(path, forecast("averse", "12"), 200, "text/xml");
    feed->refresh();
    EXPECT_EQ(std::pair(fetches, values), std::pair(2, QStringList{"averse", "12"}));

    // A fetch that leaves no file at all stops the refresh before it touches anything.
    feed = makeFeed("meteo.example.org", [](const QString&, const QString&) { return FetchResult{false, 0, 0, "no"}; });
    values = {"voile", "18"}, panelText = "previous";
    feed->refresh();
    EXPECT_EQ(std::pair(values, panelText), std::pair(QStringList{"voile", "18"}, QString("previous")));
}
