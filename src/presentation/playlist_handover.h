#pragma once
// Hands the composed playlist to the media player once per run: only the items whose
// files still exist, in list order, in loop mode, then starts playback.
#include <QString>
#include <QStringList>

#include <functional>

namespace zepril {

class MediaPlayer;

// fullPathOf turns a playlist item ("night/clip.avi") into the path of its file;
// nextPosition counts the items handed to the player and is advanced here.
// An empty list leaves the player untouched. Returns the number of items handed over.
int handOverPlaylist(const QStringList& items, const std::function<QString(const QString& item)>& fullPathOf,
                     const std::function<bool(const QString& path)>& fileExists, MediaPlayer& player,
                     int& nextPosition);

}
