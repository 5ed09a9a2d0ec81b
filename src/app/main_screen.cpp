#include "app/main_screen.h"

#include "core/logging.h"
#include "app/operator_panel.h"
#include "core/categories.h"
#include "presentation/banner_cycle.h"
#include "system/daily_scheduler.h"
#include "presentation/clock_weather_strip.h"
#include "presentation/banner_window.h"
#include "presentation/window_raiser.h"
#include "net/ftp_session.h"
#include "weather/weather_feed.h"
#include "app/main_screen_adapters.h"
#include "presentation/media_player.h"
#include "presentation/shell_open.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QCoreApplication>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

namespace zepril {

MainScreen::MainScreen(ProgramPaths paths, ServerConfig servers, Timings timings, MainScreenServices services, QWidget* parent)
    : QWidget(parent, Qt::FramelessWindowHint)
    , m_paths(std::move(paths))
    , m_servers(std::move(servers))
    , m_timings(timings)
    , m_services(std::move(services))
{
    setObjectName(QStringLiteral("MainScreen"));
    setWindowTitle(QStringLiteral("ZEPRIL"));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::black);
    setPalette(pal);
    // Full screen without relying on a window manager: a frameless window the size of the screen.
    if (QScreen* screen = QGuiApplication::primaryScreen())
        setGeometry(screen->geometry());

    setupPanel();
    setupButtons();
    setupTimers();
    setupScreenWindows();
    setupScheduler();
    setupFtp();
}

MainScreen::~MainScreen()
{
    // The timers die with this window first, so nothing drives the strips once they are gone.
    m_cycle.reset();
    delete m_overlay;
    delete m_banner;
}

void MainScreen::setupPanel()
{
    m_panel = new OperatorPanel(this);
    // The video is a native window; the panel and the buttons must be native too to
    // be stacked above it.
    m_panel->setAttribute(Qt::WA_NativeWindow);
    m_panel->hide();
    connect(m_panel->list(QStringLiteral("lstPlayList")), &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) {
                if (item && m_services.messageBox)
                    m_services.messageBox(item->text());
            });
}

void MainScreen::setupButtons()
{
    const char* captions[] = {"A", "Q", "S", "P", "M"};
    for (int i = 0; i < 5; ++i) {
        auto* b = new QPushButton(QLatin1String(captions[i]), this);
        b->setObjectName(QStringLiteral("Command%1").arg(i + 1));
        b->setAttribute(Qt::WA_NativeWindow);
        b->setFocusPolicy(Qt::NoFocus);
        b->setFixedSize(26, 26);
        b->setStyleSheet(QStringLiteral("QPushButton { background: rgba(40,40,40,200); color: #bbbbbb; border: 1px solid #555; font: bold 11px; }"));
        m_buttons[i] = b;
    }
    connect(m_buttons[0], &QPushButton::clicked, this, &MainScreen::togglePanel);
    connect(m_buttons[1], &QPushButton::clicked, this, &MainScreen::quit);
    connect(m_buttons[2], &QPushButton::clicked, this, &MainScreen::pause);
    connect(m_buttons[3], &QPushButton::clicked, this, &MainScreen::play);
    connect(m_buttons[4], &QPushButton::clicked, this, &MainScreen::openDownloadPage);
    resizeEvent(nullptr);
}

void MainScreen::resizeEvent(QResizeEvent*)
{
    if (m_videoWidget)
        m_videoWidget->setGeometry(rect());
    // Out of the way of the picture: a short column at the right edge, mid-height.
    for (int i = 0; i < 5; ++i) {
        if (m_buttons[i]) {
            m_buttons[i]->move(width() - 32, height() / 2 - 80 + i * 30);
            m_buttons[i]->raise();
        }
    }
    placePanel();
}

void MainScreen::placePanel()
{
    if (!m_panel)
        return;
    // Between the clock strip and the banner, so that the whole panel stays readable.
    const int top = m_overlay ? m_overlay->height() + 4 : 60;
    const int bottom = m_banner && m_banner->isVisible() ? m_banner->height() + 4 : 60;
    m_panel->setGeometry(rect().adjusted(40, top, -80, -bottom));
}

void MainScreen::setupTimers()
{
    const auto make = [this](const char* name, int interval) {
        auto* t = new QTimer(this);
        t->setObjectName(QLatin1String(name));
        t->setInterval(interval);
        return t;
    };
    m_timeHorloge = make("timeHorloge", m_timings.overlayFirstShowMs);
    m_timeMajTextes = make("TimeMajTextes", m_timings.textsTickMs);
    m_timeMajMeteo = make("TimeMajMeteo", m_timings.weatherTickMs);
    m_timeHorloge->setSingleShot(true);
}

void MainScreen::attachPlayer(MediaPlayer& player, QWidget* videoWidget)
{
    m_player = &player;
    m_videoWidget = videoWidget;
    if (m_videoWidget) {
        m_videoWidget->setGeometry(rect());
        m_videoWidget->lower();
    }
    resizeEvent(nullptr);
}

QPushButton* MainScreen::button(int number) const
{
    return number >= 1 && number <= 5 ? m_buttons[number - 1] : nullptr;
}

QTimer* MainScreen::timer(const QString& name) const
{
    if (name == QLatin1String("TimeCycleBandeau"))
        return &m_cycle->timeCycleBandeau();
    return findChild<QTimer*>(name, Qt::FindDirectChildrenOnly);
}

void MainScreen::showMainScreen()
{
    // A request that comes while the start-up yields must neither start it again nor
    // show the screen before the start-up is over.
    if (m_loading)
        return;
    if (!m_loaded)
        runStartup();
    show();
    raise();
}

void MainScreen::yield() { QCoreApplication::processEvents(); }

void MainScreen::mirrorLists()
{
    m_panel->showList(QStringLiteral("lstPlayList"), m_state.lstPlayList);
    m_panel->showList(QStringLiteral("lstPhrase"), m_state.phrases.lstPhrase);
    m_panel->showList(QStringLiteral("lstTemp"), m_state.lstTemp);
    m_panel->showList(QStringLiteral("lstCat"), m_state.lstCat);
    m_panel->showList(QStringLiteral("lstSyncSupp"), m_state.lstSyncSupp);
    m_panel->showList(QStringLiteral("failedDownloads"), m_state.failedDownloads);
    m_panel->showList(QStringLiteral("lstMeteo"), m_state.lstMeteo);
    for (size_t i = 0; i < kCategories.size(); ++i) {
        m_panel->showList(QLatin1String(kCategories[i].name), m_state.serverLists[i]);
        m_panel->showList(QLatin1String(kCategories[i].playableList), m_state.playable[i]);
    }
}

void MainScreen::togglePanel()
{
    m_state.panelClickCount = qint16(m_state.panelClickCount + 1);
    if (m_state.panelClickCount == 1) {
        mirrorLists();
        placePanel();
        m_panel->show();
        m_panel->raise();
        for (QPushButton* b : m_buttons)
            b->raise();
    } else {
        m_panel->hide();
        m_state.panelClickCount = 0;
    }
}

void MainScreen::quit()
{
    qCInfo(lcStartup) << "operator quit";
    pauseAndEnd();
}

void MainScreen::pause()
{
    qCInfo(lcPlayer) << "operator pause";
    if (m_player)
        m_player->pause();
}

void MainScreen::play()
{
    qCInfo(lcPlayer) << "operator play";
    if (m_player)
        m_player->play();
}

QString MainScreen::downloadPageUrl() const { return m_servers.update.baseUrl() + QStringLiteral("/download"); }

void MainScreen::openDownloadPage()
{
    qCInfo(lcStartup) << "operator opens" << downloadPageUrl();
    ShellOpen(m_services.shell, downloadPageUrl());
}

void MainScreen::closeEvent(QCloseEvent* event)
{
    event->accept();
    unload();
}

void MainScreen::unload()
{
    qCInfo(lcStartup) << "main screen closed: pausing and ending";
    pauseAndEnd();
}

void MainScreen::pauseAndEnd()
{
    if (m_player)
        m_player->pause();
    yield();
    m_services.endProgram();
}

}
