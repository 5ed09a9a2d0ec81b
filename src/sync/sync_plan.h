#pragma once
// What a category's synchronization deletes and downloads, decided from the local
// listing and the server's list alone. Names compare exactly, letter case included.
#include <QString>
#include <QStringList>

namespace zepril {

// A server name that can be used as a file name in the category directory: not
// empty, not "." or "..", without a path separator or a control character.
bool isSafeVideoName(const QString& name);

// The server's list without the names that are not safe; those go to rejected.
QStringList safeServerNames(const QStringList& serverNames, QStringList* rejected = nullptr);

// The items of names that reference lacks, in the order of names, repeats kept.
QStringList namesMissingFrom(const QStringList& names, const QStringList& reference);

struct SyncPlan {
    QStringList toDelete;   // local names the server no longer lists, in listing order
    QStringList toDownload; // server names the directory lacks, in server order
    QStringList rejected;   // server names ignored because they are not safe
};

// A rejected name is never downloaded, but it takes nothing away from the list: no
// local file of a name the server lists is deleted, whether that name is usable or not.
// A rejected name that holds line breaks is most likely several names read as one (a
// list whose line ends were not recognised); the plain names on its lines keep their
// local files too, though none is downloaded, since deleting on a misread list would
// wipe a category.
SyncPlan planSync(const QStringList& localNames, const QStringList& serverNames);

}
