#include "app/player_app.h"

#include <QApplication>

int main(int argc, char** argv)
{
    // Whatever must be in place before the application object is made.
    zepril::preparePlayerEnvironment();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ZEPRIL_Client"));
    zepril::PlayerApp player;
    player.start();
    return app.exec();
}
