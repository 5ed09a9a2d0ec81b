#pragma once
// The weather refresh of the main screen: fetches the forecast into cfg/meteo.xml,
// shows the values of the part of the day the clock is in, and on every weather tick
// shows or hides the weather with the connection.
#include "core/program_paths.h"
#include "core/server_config.h"
#include "net/http_fetch.h"

#include <QString>
#include <QStringList>

#include <functional>

namespace zepril {

class Clock;
class ConnectionProbe;
class WeatherDisplay;

// Fetches url into the file destination (fetchToFile in production).
using WeatherFetch = std::function<FetchResult(const QString& url, const QString& destination)>;

// Where the forecast for this location is published, on the configured weather service.
QString weatherFeedUrl(const ServerAddress& weatherServer);

// How much of the forecast's text the operator panel is given. A forecast is a few
// kilobytes; laying out a text box over megabytes held the UI thread for tens of
// seconds, and 64 KiB still shows any real document whole.
inline constexpr qsizetype kPanelExtractChars = 64 * 1024;

// The first kPanelExtractChars characters of the document (never half a surrogate pair).
QString panelExtract(const QString& document);

// The main screen's fields the refresh works on; they stay the main screen's.
struct WeatherFields {
    QStringList& forecastValues; // the values extracted by the last refresh
    QString& forecastText;       // the beginning of the document's text, for the panel
    int& ticksSinceRefresh;      // weather ticks since the last refresh attempt, 0 … 59
};

class WeatherFeed final {
public:
    static constexpr int kTicksPerRefresh = 60;

    WeatherFeed(Clock& clock, ConnectionProbe& probe, ProgramPaths paths, ServerAddress weatherServer,
                WeatherFetch fetch, WeatherDisplay& display, WeatherFields fields);

    // May be entered again while it runs (it yields to the event loop, and the first
    // use of the display may load the overlay, whose load refreshes too); each run
    // works on its own copy of the document and shows its own slot's values.
    void refresh();

    // With a connection: refresh, then show the weather; without one: hide it. The
    // start-up's weather step, and the timer once an hour.
    void refreshWhenConnected();

    // Each tick of the main screen's weather timer (every Timings::weatherTickMs):
    // a refresh every kTicksPerRefresh ticks, the visibility on every tick.
    void onWeatherTick();

    QString feedUrl() const { return weatherFeedUrl(m_server); }

private:
    void showWithConnection();

    Clock& m_clock;
    ConnectionProbe& m_probe;
    ProgramPaths m_paths;
    ServerAddress m_server;
    WeatherFetch m_fetch;
    WeatherDisplay& m_display;
    WeatherFields m_fields;
};

// The fetch used in production: a plain HTTP GET into the file.
WeatherFetch httpWeatherFetch(const HttpOptions& options = {});

}
