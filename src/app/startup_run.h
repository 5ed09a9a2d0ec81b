#pragma once
// The start-up as the player runs it, once however often the main screen is asked for:
// the quick start from disk or the whole one behind the start-up window, then the
// banner, the first weather, the timers and the first reports.
#include "core/program_paths.h"
#include "core/server_config.h"
#include "core/timings.h"

#include <QPointer>

class QTimer;
class QWidget;

namespace zepril {

class BannerCycle;
class BannerWindow;
class DailyScheduler;
class FtpSession;
class MainScreen;
class PanelMirror;
class ServiceReports;
class StartupReportRelay;
class StartupSequence;
class StartupWindow;
class WeatherFeed;
struct PhraseState;
struct PlayerPlatform;

// What the run works on; the composition root builds and owns all of it.
struct StartupRunParts {
    const ProgramPaths& paths;
    const ServerConfig& servers;
    const Timings& timings;
    PlayerPlatform& platform;
    StartupReportRelay& reporter;
    StartupSequence& sequence;
    FtpSession& ftp;
    MainScreen& mainScreen;
    QWidget* videoWidget;
    PhraseState& phrases;
    BannerWindow& banner;
    BannerCycle& cycle;
    WeatherFeed& weather;
    DailyScheduler& scheduler;
    ServiceReports& reports;
    PanelMirror& panel;
    QString bootId;
    // Armed with the banner's cycle once the start-up is over.
    QTimer& stripFirstShow;
    QTimer& textsTick;
    QTimer& weatherTick;
};

class StartupRun final {
public:
    explicit StartupRun(StartupRunParts parts);
    ~StartupRun();

    // A quick start runs at once; otherwise the start-up window shows, and its timer
    // later asks for the main screen.
    void start();
    // The first request runs the start-up; later ones only show the screen.
    void showMainScreen();
    bool loaded() const { return m_loaded; }
    StartupWindow* window() const { return m_window; }

private:
    bool chooseQuickStart();
    void run(bool quick);
    void showBanner();
    void closeStartupWindow();
    void refreshWeather();
    void armTimers();

    StartupRunParts m;
    QPointer<StartupWindow> m_window;
    bool m_loading = false;
    bool m_loaded = false;
};

}
