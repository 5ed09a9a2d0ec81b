// The synchronization plan against any listing and any server list: it never deletes a
// name the server lists, and every name it downloads stays a plain name inside the
// category folder.
#include "fuzz_common.h"
#include "sync/sync_plan.h"

#include <QDir>
#include <QSet>


namespace {

// 0xFF and 0xFE never occur in UTF-8, so names may hold any character, line breaks and
// control characters included: 0xFF ends the local listing, 0xFE ends a name.
QStringList namesOf(const QByteArray& bytes)
{
    QStringList names;
    for (const QByteArray& part : bytes.split(char(0xFE)))
        names.append(QString::fromUtf8(part));
    return names;
}

bool isPlainName(const QString& name)
{
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return false;
    for (const QChar c : name) {
        const char16_t u = c.unicode();
        if (u == u'/' || u == u'\\' || u < 0x20 || (u >= 0x7f && u <= 0x9f))
            return false;
    }
    return true;
}

bool staysInside(const QString& name)
{
    const QString folder = QStringLiteral("/store/videos-auto/night");
    const QString path = QDir::cleanPath(folder + u'/' + name);
    return path.startsWith(folder + u'/') && path.lastIndexOf(u'/') == folder.size();
}

}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray input = zepril::fuzz::inputBytes(data, size);
    const qsizetype split = input.indexOf(char(0xFF));
    const QStringList local = split < 0 ? QStringList() : namesOf(input.left(split));
    const QStringList server = namesOf(split < 0 ? input : input.mid(split + 1));

    const zepril::SyncPlan plan = zepril::planSync(local, server);

    const QSet<QString> listed(server.cbegin(), server.cend());
    const QSet<QString> present(local.cbegin(), local.cend());
    for (const QString& name : plan.toDelete)
        FUZZ_CHECK(!listed.contains(name) && present.contains(name));
    for (const QString& name : plan.toDownload)
        FUZZ_CHECK(isPlainName(name) && staysInside(name) && listed.contains(name) && !present.contains(name));
    // Every server name is either usable or rejected, never both and never lost.
    for (const QString& name : server)
        FUZZ_CHECK(plan.rejected.contains(name) != isPlainName(name));
    return 0;
}
