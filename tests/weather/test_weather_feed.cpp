#include "recording_display.h"
#include "support/fakes.h"
#include "support/http_test_server.h"
#include "support/temp_tree.h"
#include "weather/weather_feed.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>

using namespace zepril;

namespace {

const QString kFeedPath = QStringLiteral("/api/api/rss_simple.php");
const QString kDegrees = QStringLiteral(" \u00B0");

QByteArray forecast(const QString& morningWord, const QString& morningTemp, const QString& eveningTemp = "6")
{
    return QStringLiteral("<?xml version=\"1.0\"?><meteo><ville>32704</ville>"
                          "<pictos_matin>%1</pictos_matin><tempe_matin>%2</tempe_matin>"
                          "<tempe_soir>%3</tempe_soir></meteo>\r\n")
        .arg(morningWord, morningTemp, eveningTemp)
        .toUtf8();
}

// A refresh against a real HTTP server on 127.0.0.1, at 09:30 (the morning slot).
class WeatherFeedTest : public ::testing::Test {
protected:
    WeatherFeedTest()
    {
        tree.mkdir("cfg");
        clock.time = QDateTime(QDate(2026, 7, 14), QTime(9, 30));
        feed = makeFeed(parseServerAddress(server.baseUrl(), "http"), httpWeatherFetch({1000, 2000}));
    }
    std::unique_ptr<WeatherFeed> makeFeed(const ServerAddress& address, WeatherFetch fetch)
    {
        return std::make_unique<WeatherFeed>(clock, probe, ProgramPaths(tree.root()), address, std::move(fetch),
                                             display, WeatherFields{lstMeteo, txtMeteo, weatherTickCount});
    }
    int feedRequests() const
    {
        int n = 0;
        for (const auto& request : server.requests())
            n += request.target.startsWith(kFeedPath);
        return n;
    }

    test::TempTree tree;
    test::FakeClock clock;
    test::FakeProbe probe{true};
    test::RecordingDisplay display;
    QStringList lstMeteo;
    QString txtMeteo;
    int weatherTickCount = 0;
    test::TestHttpServer server;
    std::unique_ptr<WeatherFeed> feed;
};

}

TEST_F(WeatherFeedTest, FetchesIntoMeteoXmlAndShowsTheSlotOfTheHour)
{
    const QByteArray body = forecast("soleil", "21");
    server.serve(kFeedPath, body, 200, "text/xml");

    feed->refresh();

    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 1);
    EXPECT_EQ(requests[0].target, "/api/api/rss_simple.php?id=32704&");
    EXPECT_EQ(tree.read("cfg/meteo.xml"), body);
    EXPECT_EQ(txtMeteo, QString::fromUtf8(body));
    EXPECT_EQ(lstMeteo, QStringList({"soleil", "21"}));
    EXPECT_EQ(display.calls, QStringList({"temperature 21" + kDegrees, "pictogram 1"}));

}

TEST_F(WeatherFeedTest, ThePanelGetsTheBeginningOfALargeDocumentAndTheSlotReadsItWhole)
{
    // Close to a megabyte, with the morning's values only at the end.
    QByteArray body = "<meteo><ville>" + QByteArray(900 * 1024, 'v') + "</ville>";
    body += "<pictos_matin>averse</pictos_matin><tempe_matin>12</tempe_matin></meteo>";
    server.serve(kFeedPath, body, 200, "text/xml");

    feed->refresh();

    EXPECT_EQ(txtMeteo.size(), kPanelExtractChars);
    EXPECT_TRUE(QString::fromLatin1(body).startsWith(txtMeteo));
    EXPECT_EQ(lstMeteo, QStringList({"averse", "12"}));
    EXPECT_EQ(display.temperature, "12" + kDegrees);
}

TEST_F(WeatherFeedTest, AFailedFetchKeepsWhatTheStripShowed)
{
    server.serve(kFeedPath, forecast("soleil", "21"));
    feed->refresh();
    ASSERT_EQ(display.temperature, "21" + kDegrees);

    // Every failing answer carries other values: showing 99 would mean a failure was
    // taken for content.
    const QByteArray other = forecast("orageloc", "99", "99");
    auto deadFeed = makeFeed(parseServerAddress(QStringLiteral("127.0.0.1:%1").arg(test::unusedLocalPort()), "http"),
                             httpWeatherFetch({1000, 2000}));
    struct Fault {
        const char* what;
        std::function<void()> arrange;
        WeatherFeed* feed;
    };
    const Fault faults[] = {
        {"error status", [&] { server.serve(kFeedPath, other, 500); }, feed.get()},
        {"transfer cut after the values",
         [&] { server.serveCutMidBody(kFeedPath, other, other.indexOf("</tempe_soir>") + 13); }, feed.get()},
        {"length announced but not sent",
         [&] { server.serveWrongLength(kFeedPath, other, other.size() + 500); }, feed.get()},
        {"server down", [] {}, deadFeed.get()},
    };
    for (const Fault& fault : faults) {
        SCOPED_TRACE(fault.what);
        fault.arrange();
        display.calls.clear();
        const int before = feedRequests();

        fault.feed->refresh();

        EXPECT_EQ(feedRequests(), before + (fault.feed == feed.get()));
        EXPECT_TRUE(display.calls.isEmpty()) << display.calls.join(", ").toStdString();
        EXPECT_EQ(display.temperature, "21" + kDegrees);
        EXPECT_TRUE(tree.read("cfg/meteo.xml").isEmpty()) << "the stale copy must be gone";
    }

    // A fetch that leaves no file at all stops the refresh before it touches anything.
    auto refused = makeFeed(parseServerAddress("meteo.example.org", "http"),
                            [](const QString&, const QString&) { return FetchResult{false, 0, 0, "refused"}; });
    lstMeteo = QStringList({"voile", "18"});
    txtMeteo = "previous document";
    refused->refresh();
    EXPECT_FALSE(tree.exists("cfg/meteo.xml"));
    EXPECT_EQ(lstMeteo, QStringList({"voile", "18"}));
    EXPECT_EQ(txtMeteo, "previous document");
}

TEST_F(WeatherFeedTest, TicksRefreshEverySixtiethAndFollowTheConnectionOnEachTick)
{
    server.serve(kFeedPath, forecast("soleil", "21"));
    const auto ticks = [&](int n) {
        display.calls.clear();
        for (int i = 0; i < n; ++i)
            feed->onWeatherTick();
    };

    ticks(59);
    EXPECT_EQ(feedRequests(), 0);
    EXPECT_EQ(display.calls.count("show"), 59);
    ticks(1);
    EXPECT_EQ(feedRequests(), 1);
    EXPECT_EQ(weatherTickCount, 0);
    EXPECT_EQ(display.temperature, "21" + kDegrees);

    // Connection lost: hidden on the very next tick; the count reaching 60 while
    // disconnected is spent without a refresh.
    probe.connected = false;
    ticks(60);
    EXPECT_EQ(display.calls.count("hide"), 61);
    EXPECT_FALSE(display.calls.contains("show"));
    EXPECT_EQ(feedRequests(), 1);

    // Back online: shown on the first tick, still without a refresh; the next attempt
    // comes 60 ticks after the one that was spent.
    probe.connected = true;
    ticks(1);
    EXPECT_EQ(display.calls, QStringList({"show"}));
    ticks(58);
    EXPECT_EQ(feedRequests(), 1);
    ticks(1);
    EXPECT_EQ(feedRequests(), 2);
}

TEST_F(WeatherFeedTest, ARefreshNestedInTheFirstUseOfTheDisplayDoesNotMixUpTheOuterValues)
{
    // First answer: the outer refresh's document; second: the nested one's.
    std::atomic<int> served{0};
    server.handle(kFeedPath, [&](const httplib::Request&, httplib::Response& response) {
        const QByteArray body = served++ == 0 ? forecast("nuageux", "17", "4") : forecast("orageloc", "25", "8");
        response.set_content(body.toStdString(), "text/xml");
    });
    // Loading the overlay refreshes the weather; here the hour also moves into the
    // evening meanwhile, so the nested refresh lists a single value.
    display.onFirstUse = [&] {
        clock.time.setTime(QTime(20, 0));
        feed->refresh();
    };

    feed->refresh();

    EXPECT_EQ(served.load(), 2);
    EXPECT_EQ(display.calls, QStringList({"temperature 8" + kDegrees, "pictogram 5", //
                                          "temperature 17" + kDegrees, "pictogram 2"}));
}
