#include "core/playlist.h"

#include "core/categories.h"
#include "core/file_helpers.h"

#include <QDir>

#include <chrono>

namespace zepril {

RandomSource::RandomSource()
    : m_engine(static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count())
               ^ std::random_device{}())
{}

int RandomSource::between(int upper, int lower)
{
    if (upper < lower)
        std::swap(upper, lower);
    std::uniform_int_distribution<int> dist(lower, upper);
    return dist(m_engine);
}

void drawCategoryVideos(const QStringList& source, QStringList& scratch, const QString& category, QStringList& playlist,
                        RandomSource& random)
{
    scratch.clear();
    const qsizetype n = std::min<qsizetype>(source.size(), 5);
    while (scratch.size() < n) {
        const QString r = QString::number(random.between(int(source.size() - 1), 0));
        if (!scratch.contains(r))
            scratch.append(r);
    }
    for (const QString& pick : scratch)
        playlist.append(category + QDir::separator() + source.at(pick.toInt()));
}

static QString resolveSlot(const QString& videoRoot, const char* base,
                           const std::function<bool(const QString&)>& fileExists)
{
    const QString stem = QStringLiteral("index") + QDir::separator() + QLatin1String(base);
    return fileExists(joinPath(videoRoot, stem + QStringLiteral(".avi"))) ? stem + QStringLiteral(".avi")
                                                                          : stem + QStringLiteral(".mp4");
}

IndexSlots resolveIndexSlots(const QString& videoRoot, const std::function<bool(const QString&)>& fileExists)
{
    IndexSlots s;
    s.index_ga = resolveSlot(videoRoot, "index_ga", fileExists);
    s.index_hotel = resolveSlot(videoRoot, "index_hotel", fileExists);
    s.index_hotel_a = resolveSlot(videoRoot, "index_hotel_a", fileExists);
    s.index_hotel_b = resolveSlot(videoRoot, "index_hotel_b", fileExists);
    s.index_hotel_c = resolveSlot(videoRoot, "index_hotel_c", fileExists);
    for (size_t i = 0; i < kCategories.size(); ++i)
        s.index_rub[i] = resolveSlot(videoRoot, kCategories[i].indexSlot, fileExists);
    return s;
}

QString playlistStatusText(const QString& category)
{
    return QStringLiteral("Constitution de la Playlist Vidéo initiale: catégorie ") + category;
}

QStringList composePlaylist(const IndexSlots& index, const std::array<QStringList, 6>& playable,
                            const QString& videoRoot, const std::function<bool(const QString&)>& fileExists,
                            QStringList& scratch, RandomSource& random,
                            const std::function<void(const QString&)>& statusFor)
{
    QStringList playlist;
    for (size_t i = 0; i < kCategories.size(); ++i) {
        const QString slotsInOrder[] = {index.index_ga,      index.index_hotel,   index.index_hotel_a,
                                        index.index_hotel_b, index.index_hotel_c, index.index_rub[i]};
        for (const QString& slot : slotsInOrder) {
            if (fileExists(joinPath(videoRoot, slot)))
                playlist.append(slot);
        }
        const QString category = QLatin1String(kCategories[i].name);
        if (statusFor)
            statusFor(playlistStatusText(category));
        drawCategoryVideos(playable[i], scratch, category, playlist, random);
    }
    return playlist;
}

}
