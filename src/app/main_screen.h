#pragma once
// The main screen: the video full screen, the five operator buttons, the hidden
// operator panel, and the run's state. Loading it runs the one-pass start-up; its
// timers drive everything afterwards.
#include "core/program_paths.h"
#include "core/server_config.h"
#include "core/timings.h"
#include "app/main_screen_state.h"
#include "sync/failed_downloads.h"

#include <QWidget>

#include <functional>
#include <memory>

class QPushButton;
class QTimer;

namespace zepril {

class Clock;
class ConnectionProbe;
class MediaPlayer;
class OperatorPanel;
class RandomSource;
class Rebooter;
class ShellOpener;
class StartupReporter;
class TransferControl;
class FtpTransfer;
class FtpSession;
class BannerWindow;
class ClockWeatherStrip;
class BannerCycle;
class DailyScheduler;
class QtWindowRaiser;
class PhraseStateSource;
class WeatherFeed;
class OverlayDisplay;

// What the main screen needs from the platform and from the start-up window.
struct MainScreenServices {
    Clock& clock;
    ConnectionProbe& probe;
    StartupReporter& reporter;        // the start-up window, or a logger
    Rebooter& rebooter;
    ShellOpener& shell;
    FtpTransfer& inet1;               // FTP session
    TransferControl& inet2;           // video downloads
    RandomSource& random;
    std::function<void()> showStartupWindow{};
    std::function<void()> unloadStartupWindow{};
    std::function<void()> endProgram{};               // ends at once; no further handler runs
    std::function<void(const QString&)> messageBox{};   // the playlist's double-click
    std::function<void(int ms)> blockingWait{};         // the connection warning's wait
};

class MainScreen final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MainScreen)
public:
    MainScreen(ProgramPaths paths, ServerConfig servers, Timings timings, MainScreenServices services,
          QWidget* parent = nullptr);
    ~MainScreen() override;

    // The start-up window's timer asks for the main screen on every tick: the first
    // request loads it (the start-up), later ones only show it.
    void showMainScreen();
    void runStartup();
    bool loaded() const { return m_loaded; }

    // The player draws into a native child of this window, so it is made once the
    // window exists; videoWidget is placed at 0,0 and sized to the screen.
    void attachPlayer(MediaPlayer& player, QWidget* videoWidget);

    // Operator buttons "A", "Q", "S", "P", "M".
    void togglePanel();
    void quit();
    void pause();
    void play();
    void openDownloadPage();

    const MainScreenState& state() const { return m_state; }
    OperatorPanel* p1() const { return m_panel; }
    QPushButton* button(int number) const;
    QTimer* timer(const QString& name) const;
    BannerWindow* banner() const { return m_banner; }
    ClockWeatherStrip* overlay() const { return m_overlay; }
    FtpSession* ftp() const { return m_ftp.get(); }
    QString downloadPageUrl() const;

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void setupPanel();
    void placePanel();
    void setupButtons();
    void setupTimers();
    void setupFtp();
    void setupScreenWindows();
    void setupScheduler();
    void startFtpSession();
    void refreshTexts();

    // Start-up stages.
    void loadTexts();
    void loadVideoLists();
    void clearJournal();
    void synchronizeOrMarkManual();
    void loadCategoryLists();
    void composeAndHandOver();
    void showBanner();
    void closeStartupWindow();
    void refreshWeatherAtStartup();
    void armTimers();

    void unload();
    void pauseAndEnd();
    void yield();
    void setStatus(const QString& text);
    void mirrorLists();
    ClockWeatherStrip* ensureOverlay();

    ProgramPaths m_paths;
    FailedDownloads m_failedDownloads{m_paths};
    ServerConfig m_servers;
    Timings m_timings;
    MainScreenServices m_services;
    MainScreenState m_state;
    MediaPlayer* m_player = nullptr;
    QWidget* m_videoWidget = nullptr;
    bool m_loaded = false;
    bool m_loading = false;

    OperatorPanel* m_panel = nullptr;
    QPushButton* m_buttons[5] = {};
    QTimer* m_timeHorloge = nullptr;
    QTimer* m_timeMajTextes = nullptr;
    QTimer* m_timeMajMeteo = nullptr;

    std::unique_ptr<FtpSession> m_ftp;
    std::unique_ptr<QtWindowRaiser> m_raiser;
    std::unique_ptr<PhraseStateSource> m_phraseSource;
    BannerWindow* m_banner = nullptr;   // top-level windows, deleted with the main screen
    ClockWeatherStrip* m_overlay = nullptr;
    std::unique_ptr<BannerCycle> m_cycle;
    std::unique_ptr<DailyScheduler> m_scheduler;
    std::unique_ptr<OverlayDisplay> m_overlayDisplay;
    std::unique_ptr<WeatherFeed> m_weather;
};

}
