#include "app/player_app.h"

#include "core/clock.h"
#include "core/connection_probe.h"
#include "core/file_helpers.h"
#include "core/logging.h"
#include "core/playlist.h"
#include "core/startup_reporter.h"
#include "app/startup_window.h"
#include "app/main_screen.h"
#include "app/web_view.h"
#include "net/ftp_transfer.h"
#include "net/http_transfer.h"
#include "net/inet_control.h"
#include "system/reboot.h"
#include "presentation/mpv_player.h"
#include "presentation/shell_open.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>
#include <QThread>

#include <cstdio>
#include <cstdlib>

namespace zepril {

namespace {

// Start-up reports go to the start-up window while it exists and to the log after.
class ReporterRelay final : public StartupReporter {
public:
    void setStatus(const QString& t) override { target().setStatus(t); }
    void showStage(int i) override { target().showStage(i); }
    void setFileSize(const QString& t) override { target().setFileSize(t); }
    void setProgressRange(double a, double b) override { target().setProgressRange(a, b); }
    void setProgressValue(double v) override { target().setProgressValue(v); }
    void showConnectionWarning() override
    {
        m_warning = true;
        target().showConnectionWarning();
    }
    bool connectionWarningShown() const override { return m_warning; }

    QPointer<StartupWindow> window;

private:
    StartupReporter& target() { return window ? static_cast<StartupReporter&>(*window) : m_log; }
    LoggingReporter m_log;
    bool m_warning = false;
};

}

struct PlayerApp::Parts {
    Timings timings;
    ProgramPaths paths{programDirectory()};
    ServerConfig servers;
    SystemClock clock;
    std::unique_ptr<SystemConnectionProbe> probe;
    RandomSource random;
    ReporterRelay reporter;
    std::unique_ptr<SystemRebooter> rebooter;
    DesktopShellOpener shell;
    std::unique_ptr<InetControl> inet1;
    std::unique_ptr<InetControl> inet2;
    std::unique_ptr<MainScreen> form2;
    std::unique_ptr<MpvPlayer> player; // destroyed before the window it draws into
};

// Nothing the player itself needs before QApplication now: the web engine's settings
// live in the start-up page helper.
void preparePlayerEnvironment() {}

PlayerApp::PlayerApp(Timings timings) : m(std::make_unique<Parts>())
{
    installLogFormat();
    m->timings = timings;
    m->servers = readServerConfig(GetShortPath(m->paths.configIni()));
    m->probe = std::make_unique<SystemConnectionProbe>();
    m->rebooter = std::make_unique<SystemRebooter>(m->servers.rebootCommand);
    m->inet1 = std::make_unique<InetControl>(std::make_unique<HttpTransfer>(timings), std::make_unique<FtpTransfer>());
    m->inet2 = std::make_unique<InetControl>(std::make_unique<HttpTransfer>(timings), std::make_unique<FtpTransfer>());

    MainScreenServices services{m->clock, *m->probe, m->reporter, *m->rebooter, m->shell, *m->inet1, *m->inet2, m->random};
    services.showStartupWindow = [this] {
        if (m->reporter.window)
            m->reporter.window->show();
    };
    services.unloadStartupWindow = [this] {
        if (m->reporter.window)
            m->reporter.window->unload();
    };
    services.endProgram = [] {
        // Ends at once, as the operator expects of "quit": no window runs its own
        // shutdown, no timer fires again.
        std::fflush(stderr);
        std::_Exit(0);
    };
    services.messageBox = [](const QString& text) { QMessageBox::information(nullptr, QApplication::applicationName(), text); };
    services.blockingWait = [](int ms) { QThread::msleep(static_cast<unsigned long>(ms)); };
    m->form2 = std::make_unique<MainScreen>(m->paths, m->servers, m->timings, std::move(services));
    // The player draws into a native child of the main screen, so it comes after it.
    MpvPlayerOptions options;
    options.retryAfterAllFailedMs = timings.playerRetryMs;
    m->player = std::make_unique<MpvPlayer>(m->form2.get(), options);
    m->form2->attachPlayer(*m->player, m->player->videoWidget());
}

PlayerApp::~PlayerApp() = default;

void PlayerApp::start()
{
    auto* form1 = new StartupWindow(m->paths, m->servers, m->timings, makeWebView(nullptr));
    form1->setAttribute(Qt::WA_DeleteOnClose);
    m->reporter.window = form1;
    QObject::connect(form1, &StartupWindow::showMainScreenRequested, m->form2.get(), &MainScreen::showMainScreen);
    // Centred on the screen, as the start-up window of a kiosk is expected to be.
    if (QScreen* screen = QGuiApplication::primaryScreen())
        form1->move(screen->geometry().center() - form1->rect().center());
    form1->show();
    form1->load();
}

}
