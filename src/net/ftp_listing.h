#pragma once
// Directory listings of the FTP session: what the server sends (MLSD facts, a LIST in
// Unix or DOS style, or bare NLST names) turned into entries, the one-line-per-entry
// text the transfer control answers "LS" with, and the order the browser shows them in.
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace zepril {

inline constexpr QLatin1StringView kEmptyFolderMarker{"This folder is empty"};

struct FtpEntry {
    QString name;
    bool isDir = false;
    friend bool operator==(const FtpEntry&, const FtpEntry&) = default;
};

// Every parser takes CR LF, LF or CR as a line end and leaves out the directory itself,
// its parent, names made only of blanks and names with control characters.

// MLSD lines "fact=value;...; name".
QList<FtpEntry> parseMlsd(const QByteArray& listing);

// LIST lines in the Unix ("drwxr-xr-x 2 u g 4096 Jan 1 2024 name") or DOS
// ("01-01-24  10:00AM  <DIR>  name") form. ok is false when a non-blank line matches
// neither form, so that the caller can ask for bare names instead.
QList<FtpEntry> parseList(const QByteArray& listing, bool* ok = nullptr);

// NLST: one name per line; a name ending with "/" is a directory, any other a file.
QList<FtpEntry> parseNlst(const QByteArray& listing);

// The answer to "LS": each entry on its own line ended by CR LF, directories with a
// trailing "/".
QByteArray formatLsAnswer(const QList<FtpEntry>& entries);

// The browser's list for an "LS" answer: directories first, then files, each group in
// the order received; blank names, "." and "..", names with control characters and
// text after the last line feed left out, and the single marker entry when nothing is
// listed.
QStringList orderListing(const QString& answer);

// An entry with a "/" anywhere is a directory for the browser.
bool isDirectoryEntry(const QString& entry);

// True when the name is one plain entry of the listed directory: not empty, not "."
// or "..", and without a path separator of this platform (one trailing "/" allowed
// when allowTrailingSlash). Anything else would let a listing reach outside the
// directories the browser works in.
bool isPlainEntryName(const QString& name, bool allowTrailingSlash = false);

}
