#pragma once
// Opening an address or a document with the desktop's program for it (the operator's
// "M" button opens the update server's download page in the web browser).
#include <QString>

namespace zepril {

class ShellOpener {
public:
    virtual ~ShellOpener() = default;
    // False when no program could be asked to open it; callers do not act on it.
    virtual bool open(const QString& target) = 0;
};

class DesktopShellOpener final : public ShellOpener {
public:
    bool open(const QString& target) override;
};

// Nothing is reported to the viewer when it fails; the outcome is only logged.
void openAndLog(ShellOpener& opener, const QString& target);

}
