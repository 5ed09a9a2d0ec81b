#pragma once
// The composition root: builds the player, the two transfer engines, the FTP session,
// the windows, the timers, the banner cycle, the weather feed, the scheduler, the
// service reports and the start-up run, and wires them. Nothing else builds a
// collaborator, and nothing here does the run's work.
#include "core/program_paths.h"
#include "core/timings.h"

#include <QString>

#include <functional>
#include <memory>

class QTimer;
class QWidget;

namespace zepril {

class BannerWindow;
class ClockWeatherStrip;
class Clock;
class ConnectionProbe;
class FtpTransfer;
class MainScreen;
class MediaPlayer;
class RandomSource;
class Rebooter;
class ShellOpener;
class StartupSequence;
class StartupWindow;
class TransferControl;
class WebView;

// What reaches outside the process. Every part left empty is the real one; tests put
// fakes in some of them and keep pointers to what they gave.
struct PlayerPlatform {
    PlayerPlatform();
    ~PlayerPlatform();
    PlayerPlatform(PlayerPlatform&&) noexcept;
    PlayerPlatform& operator=(PlayerPlatform&&) noexcept;

    std::unique_ptr<Clock> clock;
    std::unique_ptr<ConnectionProbe> probe;
    std::unique_ptr<Rebooter> rebooter;
    std::unique_ptr<ShellOpener> shell;
    std::unique_ptr<RandomSource> random;
    std::unique_ptr<FtpTransfer> ftpEngine;      // the operator panel's FTP session
    std::unique_ptr<TransferControl> httpEngine; // video downloads
    // The player draws into a native child of the main screen, so it is made after it;
    // the maker gives the widget it draws into (or none).
    std::function<std::unique_ptr<MediaPlayer>(QWidget* mainScreen, QWidget*& videoWidget)> makePlayer;
    std::function<std::unique_ptr<WebView>()> makeWebView;
    std::function<void()> endProgram;               // ends at once; no further handler runs
    std::function<void(const QString&)> messageBox; // the playlist's double-click
    std::function<void(int ms)> blockingWait;       // the connection warning's wait
};

class PlayerApp final {
public:
    explicit PlayerApp(ProgramPaths paths = ProgramPaths(programDirectory()), Timings timings = Timings::production(),
                       PlayerPlatform platform = {});
    ~PlayerApp();
    PlayerApp(const PlayerApp&) = delete;
    PlayerApp& operator=(const PlayerApp&) = delete;

    // Shows the start-up window; its timer later runs the start-up and shows the main screen.
    void start();
    // The start-up window's timer asks for the main screen on every tick: the first
    // request runs the start-up, later ones only show the screen.
    void showMainScreen();
    bool loaded() const;

    MainScreen& mainScreen() const;
    const StartupSequence& startup() const;
    StartupWindow* startupWindow() const;
    BannerWindow& banner() const;
    ClockWeatherStrip* clockWeatherStrip() const;
    // "timeHorloge", "TimeMajTextes", "TimeMajMeteo", "TimeCycleBandeau".
    QTimer* timer(const QString& name) const;

private:
    struct Parts;
    std::unique_ptr<Parts> m;
};

}
