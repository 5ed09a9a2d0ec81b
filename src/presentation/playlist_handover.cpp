#include "presentation/playlist_handover.h"

#include "core/logging.h"
#include "presentation/media_player.h"

namespace zepril {

int handOverPlaylist(const QStringList& items, const std::function<QString(const QString& item)>& fullPathOf,
                     const std::function<bool(const QString& path)>& fileExists, MediaPlayer& player, int& nextPosition)
{
    if (items.isEmpty()) {
        qCInfo(lcPlayer) << "the playlist is empty: the player is not started";
        return 0;
    }
    player.clearPlaylist();
    player.setLoop(true);
    int handed = 0;
    for (const QString& item : items) {
        // A file may vanish between composition and hand-over (a download journal
        // clean-up, an operator); the player must not be offered it.
        const QString path = fullPathOf(item);
        if (!fileExists(path)) {
            qCWarning(lcPlayer).noquote() << "playlist item" << item << "skipped: no file at" << path;
            continue;
        }
        player.insertItem(nextPosition, path);
        qCInfo(lcPlayer).noquote() << "playlist item" << nextPosition << item;
        ++nextPosition;
        ++handed;
    }
    qCInfo(lcPlayer) << "playlist handed over:" << handed << "of" << items.size() << "items";
    player.play();
    return handed;
}

}
