#include "app/player_app.h"
#include "core/logging.h"
#include "core/program_lock.h"

#include <QApplication>

int main(int argc, char** argv)
{
    zepril::installLogFormat();
    const zepril::ProgramPaths paths(zepril::programDirectory());
    // Before any window, fetch or journal clean-up: a second player on the same
    // directory would delete the first one's downloads in progress.
    const zepril::ProgramLock lock(paths);
    if (!lock.acquired()) {
        qCCritical(lcStartup).noquote() << "another player already runs on" << paths.root() << "(pid"
                                        << (lock.holderPid() ? QString::number(lock.holderPid()) : QStringLiteral("unknown"))
                                        << "holds" << lock.filePath() + "): this one ends";
        return 1;
    }
    // The web engine reads its flags when the application object is made.
    zepril::preparePlayerEnvironment();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ZEPRIL_Client"));
    zepril::PlayerApp player(paths);
    player.start();
    return app.exec();
}
