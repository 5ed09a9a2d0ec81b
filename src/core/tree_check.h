#pragma once
// What a technician needs to know before the channel can run from a program tree:
// the findings that `zepril-client --check-config` prints, errors first.
#include <QList>
#include <QString>

namespace zepril {

struct TreeFinding {
    enum Severity { Warning, Error };
    Severity severity = Warning;
    QString text;
};

// Looks at the program directory (as the player would find it), its folders, its
// config and skin, the videos the configured mode plays, and the config's own warnings
// (given, since the config reader produces them). An Error means the channel cannot run.
QList<TreeFinding> checkProgramTree(const QString& root, const QStringList& configWarnings = {});

bool hasErrors(const QList<TreeFinding>& findings);

}
