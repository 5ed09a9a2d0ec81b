#pragma once
// What the player fetches from the update server: the URL list of the start-up page,
// the hotel's welcome texts and the six category video lists.
#include "core/fallback_phrase.h"
#include "core/program_paths.h"
#include "core/server_config.h"
#include "net/http_fetch.h"

#include <QString>
#include <QStringList>

namespace zepril {

// The largest answer taken for each kind of file from the update server; a longer one is a failed fetch and
// the previous file stays. Far above what a hotel writes, far below what would stall
// the screen while it is read.
inline constexpr qint64 kTextsMaxBytes = 1024 * 1024;
inline constexpr qint64 kCategoryListMaxBytes = 4 * 1024 * 1024;
inline constexpr qint64 kUrlListMaxBytes = 64 * 1024;

// Names taken from data are percent-encoded (UTF-8) and otherwise kept as they are.
QString urlListUrl(const ServerAddress& update);
QString textsUrl(const ServerAddress& update, const QString& hotel);
QString videoListUrl(const ServerAddress& update, const QString& category);

// Fetches the start-up page's URL list into destination (see fetchToFile).
FetchResult fetchUrlList(const ServerAddress& update, const QString& destination, HttpOptions options = {});

// Refreshes cfg/textes.ini with the hotel's texts. The file is only replaced once the
// fetch succeeded; after a failure the previous texts stay (a missing file is created
// empty).
FetchResult fetchHotelTexts(const ServerAddress& update, const QString& nomHotel, const ProgramPaths& paths,
                            HttpOptions options = {});

// The phrases of the texts file, or the single fallback phrase when the file is
// missing or holds no line.
QStringList loadPhraseList(const QString& textesIniPath);

// Fetches the category's list file afresh and reloads serverList from it; yields to the event
// loop before, after and at the end. True only when the list was really fetched: after
// a failure the file is empty and so is serverList, which must not be taken for an empty
// category.
bool fetchCategoryList(const ServerAddress& update, const QString& category, QStringList& serverList,
                       const ProgramPaths& paths, HttpOptions options = {});

}
