#include "app/command_line.h"
#include "app/player_app.h"
#include "core/exit_reasons.h"
#include "core/logging.h"
#include "core/program_lock.h"

#include <QApplication>
#include <QTextStream>

#include <malloc.h>

int main(int argc, char** argv)
{
    // Before any thread exists: glibc gives each thread that allocates a pool of its
    // own, and with the player's few dozen threads those pools hold memory that
    // grows for hours without being used again.
    mallopt(M_ARENA_MAX, 2);
    zepril::installLogFormat();
    const zepril::ProgramPaths paths(zepril::programDirectory());
    if (argc > 1 && argv[1][0] == '-') {
        // The technician's commands need no display and may run beside the channel.
        QCoreApplication core(argc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("zepril-client"));
        QCoreApplication::setApplicationVersion(QStringLiteral(ZEPRIL_VERSION));
        QTextStream out(stdout);
        if (const auto status = zepril::runTechnicianCommand(QCoreApplication::arguments().mid(1), paths, out))
            return *status;
        out << "usage: zepril-client [--check-config | --status | --metrics | --screenshot FILE | --reboot-time\n"
               "                     | --daily-reboot-due [UNIT-STATE] | --record-daily-reboot | --version]\n";
        return 2;
    }
    zepril::installExitReports(zepril::loggingToJournal());
    // Before any window, fetch or journal clean-up: a second player on the same
    // directory would delete the first one's downloads in progress.
    const zepril::ProgramLock lock(paths);
    if (!lock.acquired()) {
        qCCritical(lcStartup).noquote() << "another player already runs on" << paths.root() << "(pid"
                                        << (lock.holderPid() ? QString::number(lock.holderPid())
                                                             : QStringLiteral("unknown"))
                                        << "holds" << lock.filePath() + "): this one ends";
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ZEPRIL_Client"));
    QApplication::setApplicationVersion(QStringLiteral(ZEPRIL_VERSION));
    zepril::PlayerApp player(paths);
    player.start();
    zepril::endAtOnceOnUnplannedExit();
    const int status = app.exec();
    zepril::notePlannedExit();
    qCWarning(lcStartup) << "the player ends with status" << status << "- its event loop ended";
    return status;
}
