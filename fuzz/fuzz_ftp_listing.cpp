// Feeds arbitrary server answers to the three FTP listing parsers and to the browser's
// ordering, and stops at the first name the browser must never show or send back: one
// with a line break or another control character, one made only of blanks, or the
// directory itself or its parent.
#include "net/ftp_listing.h"
#include "fuzz_common.h"


namespace {

bool isBadName(const QString& name)
{
    if (name.trimmed().isEmpty() || name == u"." || name == u"..")
        return true;
    for (const QChar c : name)
        if (c == u'\r' || c == u'\n' || c.category() == QChar::Other_Control)
            return true;
    return false;
}

void check(const QList<zepril::FtpEntry>& entries)
{
    for (const zepril::FtpEntry& e : entries)
        FUZZ_CHECK(!isBadName(e.name));
    // What the engine answers is what the browser orders: every entry must come back.
    const QStringList rows = zepril::orderListing(QString::fromUtf8(zepril::formatLsAnswer(entries)));
    FUZZ_CHECK(entries.isEmpty() || rows.size() == entries.size());
}

}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray listing = zepril::fuzz::inputBytes(data, size);
    check(zepril::parseMlsd(listing));
    check(zepril::parseList(listing));
    check(zepril::parseNlst(listing));

    const QStringList rows = zepril::orderListing(QString::fromUtf8(listing));
    FUZZ_CHECK(!rows.isEmpty());
    for (const QString& row : rows) {
        if (row == QString(zepril::kEmptyFolderMarker))
            FUZZ_CHECK(rows.size() == 1);
        else
            FUZZ_CHECK(!isBadName(row.endsWith(u'/') ? row.chopped(1) : row));
    }
    return 0;
}
