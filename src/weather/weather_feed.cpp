#include "weather/weather_feed.h"

#include "core/clock.h"
#include "core/connection_probe.h"
#include "core/event_wait.h"
#include "core/file_helpers.h"
#include "core/logging.h"
#include "core/text_codec.h"
#include "weather/weather_display.h"
#include "weather/weather_slots.h"

#include <QFile>

namespace zepril {

QString panelExtract(const QString& document)
{
    if (document.size() <= kPanelExtractChars)
        return document;
    qsizetype length = kPanelExtractChars;
    if (document.at(length - 1).isHighSurrogate())
        --length;
    return document.left(length);
}

QString weatherFeedUrl(const ServerAddress& weatherServer)
{
    return weatherServer.baseUrl() + QStringLiteral("/api/api/rss_simple.php?id=32704&");
}

WeatherFeed::WeatherFeed(Clock& clock, ConnectionProbe& probe, ProgramPaths paths, ServerAddress weatherServer,
                         WeatherFetch fetch, WeatherDisplay& display, WeatherFields fields)
    : m_clock(clock),
      m_probe(probe),
      m_paths(std::move(paths)),
      m_server(std::move(weatherServer)),
      m_fetch(std::move(fetch)),
      m_display(display),
      m_fields(fields)
{}

void WeatherFeed::refresh()
{
    // On the UI thread: the clock and the banner keep moving between the steps.
    const QString destination = m_paths.meteoXml();
    // A stale copy must never pass for the new forecast.
    if (ordinaryFileMatches(destination))
        deleteFile(destination);
    letEventsRun();

    const QString url = feedUrl();
    const FetchResult fetched = m_fetch(url, destination);
    if (fetched.ok)
        qCInfo(lcWeather) << "forecast fetched from" << url << "status" << fetched.status << "bytes" << fetched.bytes;
    else
        qCWarning(lcWeather) << "forecast fetch from" << url << "failed, status" << fetched.status << fetched.error;
    letEventsRun();

    if (!ordinaryFileMatches(destination)) {
        qCWarning(lcWeather) << destination << "missing after the fetch; the strip keeps its values";
        return;
    }

    QString document;
    QFile file(destination);
    if (file.open(QIODevice::ReadOnly))
        document = decodeText(file.readAll());
    else
        qCWarning(lcWeather) << "cannot read" << destination << file.errorString();
    // The slot routine reads its own copy, the whole document: a nested refresh
    // replaces forecastText. The panel gets only the beginning, see panelExtract().
    m_fields.forecastText = panelExtract(document);
    if (m_fields.forecastText.size() < document.size())
        qCInfo(lcWeather) << "the panel shows the first" << m_fields.forecastText.size() << "of" << document.size()
                          << "characters of the forecast";
    letEventsRun();

    // Emptied only now: a refresh run during the yield must not leave its values in
    // front of this one's.
    m_fields.forecastValues.clear();
    const int hour = m_clock.now().time().hour();
    qCInfo(lcWeather) << "hour" << hour << "shows the" << forecastSlotName(forecastSlotForHour(hour)) << "forecast";
    showForecastForHour(hour, document, m_fields.forecastValues, m_display);
}

void WeatherFeed::refreshWhenConnected()
{
    QString kind;
    if (hasInternetConnection(m_probe, kind)) {
        refresh();
        m_display.setWeatherVisible(true);
    } else {
        qCInfo(lcWeather) << "no connection: weather refresh skipped";
        m_display.setWeatherVisible(false);
    }
}

void WeatherFeed::onWeatherTick()
{
    ++m_fields.ticksSinceRefresh;
    if (m_fields.ticksSinceRefresh >= kTicksPerRefresh) {
        m_fields.ticksSinceRefresh = 0;
        refreshWhenConnected();
    }
    // The connection may come and go between refreshes; the strip follows it each tick.
    showWithConnection();
}

void WeatherFeed::showWithConnection()
{
    QString kind;
    m_display.setWeatherVisible(hasInternetConnection(m_probe, kind));
}

WeatherFetch httpWeatherFetch(const HttpOptions& options)
{
    // A weather document is a few kilobytes; a larger answer is a failed fetch.
    return [options](const QString& url, const QString& destination) {
        HttpOptions capped = options;
        capped.maxBytes = 1024 * 1024;
        return fetchToFile(url, destination, capped);
    };
}

}
