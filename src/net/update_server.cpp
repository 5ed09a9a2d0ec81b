#include "net/update_server.h"

#include "core/event_wait.h"
#include "core/file_helpers.h"
#include "core/list_file.h"
#include "core/logging.h"
#include "net/answer_check.h"

#include <QTemporaryFile>
#include <QUrl>

#include <filesystem>

namespace zepril {

namespace {

QString encodedName(const QString& name) { return QString::fromLatin1(QUrl::toPercentEncoding(name)); }

// Moves the fetched file over the texts file in one step, so a reader sees either the
// old texts or the new ones.
bool replaceFile(const QString& from, const QString& to, QString& error)
{
    std::error_code code;
    std::filesystem::rename(std::filesystem::path(from.toStdString()), std::filesystem::path(to.toStdString()), code);
    if (code)
        error = QString::fromStdString(code.message());
    return !code;
}

}

QString urlListUrl(const ServerAddress& update) { return update.baseUrl() + QStringLiteral("/zeprilia/url.txt"); }

QString textsUrl(const ServerAddress& update, const QString& hotel)
{
    return update.baseUrl() + QStringLiteral("/zeprilia/datas/textes/") + encodedName(hotel)
        + QStringLiteral("_txt.ini");
}

QString videoListUrl(const ServerAddress& update, const QString& category)
{
    return update.baseUrl() + QStringLiteral("/zeprilia/datas/videos/") + encodedName(category)
        + QStringLiteral(".ini");
}

FetchResult fetchUrlList(const ServerAddress& update, const QString& destination, HttpOptions options)
{
    options.maxBytes = kUrlListMaxBytes;
    return fetchToFile(urlListUrl(update), destination, options);
}

FetchResult fetchHotelTexts(const ServerAddress& update, const QString& nomHotel, const ProgramPaths& paths,
                            HttpOptions options)
{
    options.maxBytes = kTextsMaxBytes;
    options.acceptAnswer = notTextsReason;
    const QString destination = paths.textesIni();
    const QString url = textsUrl(update, nomHotel);

    // A server that is down for a minute must not wipe the hotel's welcome texts for
    // the rest of the day, yet an empty answer is the hotel's own choice of no texts
    // and must win over the old ones (a fetch into the file itself would keep them).
    // So the texts arrive beside the file and replace it only when the fetch succeeded.
    QTemporaryFile incoming(destination + QStringLiteral(".XXXXXX"));
    if (!incoming.open()) {
        FetchResult failed;
        failed.error =
            QStringLiteral("cannot create a temporary file beside %1: %2").arg(destination, incoming.errorString());
        qCWarning(lcNet).noquote() << "texts of" << nomHotel << "not fetched:" << failed.error;
        keepOrCreateEmpty(destination);
        return failed;
    }
    incoming.close();

    FetchResult result = fetchToFile(url, incoming.fileName(), options);
    if (!result.ok) {
        qCWarning(lcNet).noquote() << "texts of" << nomHotel << "not fetched from" << update.baseUrl()
                                   << "- texts file left as it was:" << result.error;
        keepOrCreateEmpty(destination);
        return result;
    }
    QString error;
    if (!replaceFile(incoming.fileName(), destination, error)) {
        result.ok = false;
        result.error = QStringLiteral("cannot replace %1: %2").arg(destination, error);
        qCWarning(lcNet).noquote() << "texts of" << nomHotel << "fetched but not stored:" << result.error;
        return result;
    }
    qCInfo(lcNet).noquote() << "texts of" << nomHotel << "stored," << result.bytes << "bytes";
    return result;
}

QStringList loadPhraseList(const QString& textesIniPath)
{
    QStringList phrases;
    if (ordinaryFileMatches(textesIniPath))
        readListFile(existingPathOrEmpty(textesIniPath), phrases);
    if (phrases.isEmpty())
        phrases.append(QString::fromLatin1(kFallbackPhrase));
    return phrases;
}

bool fetchCategoryList(const ServerAddress& update, const QString& category, QStringList& serverList,
                       const ProgramPaths& paths, HttpOptions options)
{
    options.maxBytes = kCategoryListMaxBytes;
    options.acceptAnswer = notAListReason;
    const QString path = paths.categoryListFile(category);
    if (ordinaryFileMatches(path))
        deleteFile(path);
    letEventsRun();

    const FetchResult result = fetchToFile(videoListUrl(update, category), path, options);
    letEventsRun();

    if (ordinaryFileMatches(path))
        readListFile(existingPathOrEmpty(path), serverList);
    else
        serverList.clear(); // no file could be created: the old list is no more current
    if (result.ok)
        qCInfo(lcNet).noquote() << "video list of" << category << "fetched:" << serverList.size() << "videos";
    else
        qCWarning(lcNet).noquote() << "video list of" << category << "not fetched from" << update.baseUrl()
                                   << "- no video of the category is deleted:" << result.error;
    letEventsRun();
    return result.ok;
}

}
