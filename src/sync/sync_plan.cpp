#include "sync/sync_plan.h"

#include <QRegularExpression>
#include <QSet>

namespace zepril {

bool isSafeVideoName(const QString& name)
{
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return false;
    for (const QChar c : name) {
        // Both separators: a name must stay a plain name on every platform.
        if (c == u'/' || c == u'\\' || c.category() == QChar::Other_Control)
            return false;
    }
    return true;
}

QStringList safeServerNames(const QStringList& serverNames, QStringList* rejected)
{
    QStringList safe;
    safe.reserve(serverNames.size());
    for (const QString& name : serverNames) {
        if (isSafeVideoName(name))
            safe.append(name);
        else if (rejected)
            rejected->append(name);
    }
    return safe;
}

QStringList namesMissingFrom(const QStringList& names, const QStringList& reference)
{
    const QSet<QString> known(reference.cbegin(), reference.cend());
    QStringList missing;
    for (const QString& name : names) {
        if (!known.contains(name))
            missing.append(name);
    }
    return missing;
}

SyncPlan planSync(const QStringList& localNames, const QStringList& serverNames)
{
    SyncPlan plan;
    const QStringList server = safeServerNames(serverNames, &plan.rejected);
    QStringList kept = serverNames;
    for (const QString& name : std::as_const(plan.rejected))
        kept += safeServerNames(name.split(QRegularExpression(QStringLiteral("[\\r\\n]"))));
    plan.toDelete = namesMissingFrom(localNames, kept);
    // A local name the server lists is never deleted, so what is left after the
    // deletions lacks exactly the server names that the listing lacks.
    plan.toDownload = namesMissingFrom(server, localNames);
    return plan;
}

}
