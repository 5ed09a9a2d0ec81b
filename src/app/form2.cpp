#include "app/form2.h"

#include "app/core/logging.h"
#include "app/operator_panel.h"
#include "app/core/categories.h"
#include "presentation/banner_cycle.h"
#include "presentation/daily_scheduler.h"
#include "presentation/form3.h"
#include "presentation/frm_phrase.h"
#include "presentation/window_raiser.h"
#include "net/ftp_session.h"
#include "weather/maj_meteo.h"
#include "app/form2_parts.h"
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

Form2::Form2(ProgramPaths paths, ServerConfig servers, Timings timings, Form2Services services, QWidget* parent)
    : QWidget(parent, Qt::FramelessWindowHint)
    , m_paths(std::move(paths))
    , m_servers(std::move(servers))
    , m_timings(timings)
    , m_services(std::move(services))
{
    setObjectName(QStringLiteral("Form2"));
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

Form2::~Form2()
{
    // The timers die with this window first, so nothing drives the strips once they are gone.
    m_cycle.reset();
    delete m_overlay;
    delete m_banner;
}

void Form2::setupPanel()
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

void Form2::setupButtons()
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
    connect(m_buttons[0], &QPushButton::clicked, this, &Form2::Command1_Click);
    connect(m_buttons[1], &QPushButton::clicked, this, &Form2::Command2_Click);
    connect(m_buttons[2], &QPushButton::clicked, this, &Form2::Command3_Click);
    connect(m_buttons[3], &QPushButton::clicked, this, &Form2::Command4_Click);
    connect(m_buttons[4], &QPushButton::clicked, this, &Form2::Command5_Click);
    resizeEvent(nullptr);
}

void Form2::resizeEvent(QResizeEvent*)
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

void Form2::placePanel()
{
    if (!m_panel)
        return;
    // Between the clock strip and the banner, so that the whole panel stays readable.
    const int top = m_overlay ? m_overlay->height() + 4 : 60;
    const int bottom = m_banner && m_banner->isVisible() ? m_banner->height() + 4 : 60;
    m_panel->setGeometry(rect().adjusted(40, top, -80, -bottom));
}

void Form2::setupTimers()
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

void Form2::attachPlayer(MediaPlayer& player, QWidget* videoWidget)
{
    m_player = &player;
    m_videoWidget = videoWidget;
    if (m_videoWidget) {
        m_videoWidget->setGeometry(rect());
        m_videoWidget->lower();
    }
    resizeEvent(nullptr);
}

QPushButton* Form2::button(int number) const
{
    return number >= 1 && number <= 5 ? m_buttons[number - 1] : nullptr;
}

QTimer* Form2::timer(const QString& name) const
{
    if (name == QLatin1String("TimeCycleBandeau"))
        return &m_cycle->timeCycleBandeau();
    return findChild<QTimer*>(name, Qt::FindDirectChildrenOnly);
}

void Form2::showMainScreen()
{
    // A request that comes while the start-up yields must neither start it again nor
    // show the screen before the start-up is over.
    if (m_loading)
        return;
    if (!m_loaded)
        Form_Load();
    show();
    raise();
}

void Form2::yield() { QCoreApplication::processEvents(); }

void Form2::mirrorLists()
{
    m_panel->showList(QStringLiteral("lstPlayList"), m_state.lstPlayList);
    m_panel->showList(QStringLiteral("lstPhrase"), m_state.phrases.lstPhrase);
    m_panel->showList(QStringLiteral("lstTemp"), m_state.lstTemp);
    m_panel->showList(QStringLiteral("lstCat"), m_state.lstCat);
    m_panel->showList(QStringLiteral("lstSyncSupp"), m_state.lstSyncSupp);
    m_panel->showList(QStringLiteral("lstSyncSupp2"), m_state.lstSyncSupp2);
    m_panel->showList(QStringLiteral("lstMeteo"), m_state.lstMeteo);
    for (size_t i = 0; i < kCategories.size(); ++i) {
        m_panel->showList(QLatin1String(kCategories[i].name), m_state.serverLists[i]);
        m_panel->showList(QLatin1String(kCategories[i].playableList), m_state.playable[i]);
    }
}

void Form2::Command1_Click()
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

void Form2::Command2_Click()
{
    qCInfo(lcStartup) << "operator quit";
    pauseAndEnd();
}

void Form2::Command3_Click()
{
    qCInfo(lcPlayer) << "operator pause";
    if (m_player)
        m_player->pause();
}

void Form2::Command4_Click()
{
    qCInfo(lcPlayer) << "operator play";
    if (m_player)
        m_player->play();
}

QString Form2::downloadPageUrl() const { return m_servers.update.baseUrl() + QStringLiteral("/download"); }

void Form2::Command5_Click()
{
    qCInfo(lcStartup) << "operator opens" << downloadPageUrl();
    ShellOpen(m_services.shell, downloadPageUrl());
}

void Form2::closeEvent(QCloseEvent* event)
{
    event->accept();
    Form_Unload();
}

void Form2::Form_Unload()
{
    qCInfo(lcStartup) << "main screen closed: pausing and ending";
    pauseAndEnd();
}

void Form2::pauseAndEnd()
{
    if (m_player)
        m_player->pause();
    yield();
    m_services.endProgram();
}

}
