#include "presentation/screen_follower.h"

#include "core/logging.h"
#include "presentation/x_output_lighter.h"

#include <QGuiApplication>
#include <QScreen>

namespace zepril {

ScreenFollower::ScreenFollower(int settleMs, std::function<void(QScreen*)> relayout, QObject* parent)
    : QObject(parent), m_relayout(std::move(relayout))
{
    m_settle.setSingleShot(true);
    m_settle.setInterval(settleMs);
    connect(&m_settle, &QTimer::timeout, this, [this] {
        QScreen* screen = QGuiApplication::primaryScreen();
        if (!screen) {
            qCWarning(lcPlayer) << "no screen to lay the windows out on";
            return;
        }
        qCInfo(lcPlayer) << "screen" << screen->name() << "is now" << screen->geometry() << "; windows laid out again";
        m_relayout(screen);
    });
    const auto* app = qGuiApp;
    for (QScreen* screen : QGuiApplication::screens())
        watch(screen);
    connect(app, &QGuiApplication::screenAdded, this, [this](QScreen* screen) {
        watch(screen);
        changed("a screen appeared");
    });
    connect(app, &QGuiApplication::screenRemoved, this, [this] { changed("a screen went"); });
    connect(app, &QGuiApplication::primaryScreenChanged, this, [this] { changed("the primary screen changed"); });
    m_lighter = XOutputLighter::create(this);
    if (m_lighter)
        m_lighter->lightConnectedOutputs();
}

void ScreenFollower::watch(QScreen* screen)
{
    connect(screen, &QScreen::geometryChanged, this, [this] { changed("a screen changed its geometry"); });
}

void ScreenFollower::changed(const char* what)
{
    qCInfo(lcPlayer) << what;
    m_settle.start();
}

}
