#include "presentation/shell_open.h"

#include "core/logging.h"

#include <QDesktopServices>
#include <QDir>
#include <QUrl>

namespace zepril {

bool DesktopShellOpener::open(const QString& target)
{
    // An address or a local path alike: a bare path becomes a file URL.
    const QUrl url = QUrl::fromUserInput(target, QDir::currentPath(), QUrl::AssumeLocalFile);
    if (!url.isValid()) {
        qCWarning(lcSystem).noquote() << "cannot open" << target << "- not an address or a path";
        return false;
    }
    return QDesktopServices::openUrl(url);
}

void openAndLog(ShellOpener& opener, const QString& target)
{
    const bool opened = opener.open(target);
    if (opened)
        qCInfo(lcSystem).noquote() << "opened" << target;
    else
        qCWarning(lcSystem).noquote() << "no program opened" << target;
}

}
