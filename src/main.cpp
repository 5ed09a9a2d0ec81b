#include "app/player_app.h"

#include <QApplication>

int main(int argc, char** argv)
{
    // The web engine reads its flags when the application object is made.
    zepril::preparePlayerEnvironment();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ZEPRIL_Client"));
    zepril::PlayerApp player;
    player.start();
    return app.exec();
}
