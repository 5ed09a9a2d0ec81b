#include "app/main_screen.h"

#include "app/operator_panel.h"
#include "core/event_wait.h"
#include "core/logging.h"
#include "presentation/media_player.h"
#include "presentation/shell_open.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>

namespace zepril {

MainScreen::MainScreen(MainScreenActions actions, QWidget* parent)
    : QWidget(parent, Qt::FramelessWindowHint), m_actions(std::move(actions))
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
}

MainScreen::~MainScreen() = default;

void MainScreen::setupPanel()
{
    m_panel = new OperatorPanel(this);
    // The video is a native window; the panel and the buttons must be native too to
    // be stacked above it.
    m_panel->setAttribute(Qt::WA_NativeWindow);
    m_panel->hide();
    connect(m_panel->list(QStringLiteral("lstPlayList")), &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) {
                if (item && m_actions.messageBox)
                    m_actions.messageBox(item->text());
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
        b->setStyleSheet(QStringLiteral(
            "QPushButton { background: rgba(40,40,40,200); color: #bbbbbb; border: 1px solid #555; font: bold 11px; }"));
        m_buttons[i] = b;
    }
    connect(m_buttons[0], &QPushButton::clicked, this, &MainScreen::togglePanel);
    connect(m_buttons[1], &QPushButton::clicked, this, &MainScreen::quit);
    connect(m_buttons[2], &QPushButton::clicked, this, &MainScreen::pause);
    connect(m_buttons[3], &QPushButton::clicked, this, &MainScreen::play);
    connect(m_buttons[4], &QPushButton::clicked, this, &MainScreen::openDownloadPage);
    resizeEvent(nullptr);
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

void MainScreen::fitScreen(QScreen* screen)
{
    if (screen)
        setGeometry(screen->geometry());
}

void MainScreen::setNeighbours(QWidget* top, QWidget* bottom)
{
    m_top = top;
    m_bottom = bottom;
    placePanel();
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
    const int top = m_top ? m_top->height() + 4 : 60;
    const int bottom = m_bottom && m_bottom->isVisible() ? m_bottom->height() + 4 : 60;
    m_panel->setGeometry(rect().adjusted(40, top, -80, -bottom));
}

QPushButton* MainScreen::button(int number) const
{
    return number >= 1 && number <= 5 ? m_buttons[number - 1] : nullptr;
}

void MainScreen::togglePanel()
{
    m_panelClicks = qint16(m_panelClicks + 1);
    if (m_panelClicks == 1) {
        emit panelOpening();
        placePanel();
        m_panel->show();
        m_panel->raise();
        for (QPushButton* b : m_buttons)
            b->raise();
    } else {
        m_panel->hide();
        m_panelClicks = 0;
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

void MainScreen::openDownloadPage()
{
    qCInfo(lcStartup) << "operator opens" << m_actions.downloadPageUrl;
    openAndLog(m_actions.shell, m_actions.downloadPageUrl);
}

void MainScreen::closeEvent(QCloseEvent* event)
{
    event->accept();
    qCInfo(lcStartup) << "main screen closed: pausing and ending";
    pauseAndEnd();
}

void MainScreen::pauseAndEnd()
{
    if (m_player)
        m_player->pause();
    letEventsRun();
    m_actions.endProgram();
}

}
