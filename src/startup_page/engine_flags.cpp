#include "startup_page/engine_flags.h"

#include <QCoreApplication>
#include <QList>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace zepril {

QByteArray webEngineFlags(const QByteArray& existing, bool runningAsRoot)
{
    QList<QByteArray> wanted;
    if (runningAsRoot)
        wanted << "--no-sandbox";
    // No GPU on the kiosks; no background traffic or updates for a page shown for
    // half a minute.
    wanted << "--disable-gpu"
           << "--disable-background-networking"
           << "--disable-component-update"
           << "--no-first-run";

    const QList<QByteArray> present = existing.simplified().split(' ');
    QByteArray flags = existing.simplified();
    for (const QByteArray& flag : wanted) {
        if (present.contains(flag))
            continue;
        if (!flags.isEmpty())
            flags += ' ';
        flags += flag;
    }
    return flags;
}

void prepareWebEngineEnvironment()
{
#ifdef Q_OS_UNIX
    const bool root = geteuid() == 0;
#else
    const bool root = false;
#endif
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", webEngineFlags(qgetenv("QTWEBENGINE_CHROMIUM_FLAGS"), root));
    // Without a GL driver the scene graph crashes unless it renders in software.
    if (!qEnvironmentVariableIsSet("QT_QUICK_BACKEND"))
        qputenv("QT_QUICK_BACKEND", "software");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
}

}
