#pragma once
// Hand-written fakes of the platform seams, for the test programs that link the
// player's presentation.
#include "presentation/media_player.h"
#include "support/core_fakes.h"

#include <QStringList>

namespace zepril::test {

// Records every call as a line of text, in order.
class FakeMediaPlayer final : public MediaPlayer {
public:
    void clearPlaylist() override { calls << "clear"; items.clear(); }
    void setLoop(bool loop) override { calls << (loop ? "loop on" : "loop off"); }
    void insertItem(int position, const QString& path) override
    {
        calls << QStringLiteral("insert %1 %2").arg(position).arg(path);
        items.insert(position, path);
    }
    void play() override { calls << "play"; }
    void pause() override { calls << "pause"; }
    void failToOpen(const QString& path) const { reportFailure(path); }
    void showPlaying(const QString& path) const { reportPlaying(path); }

    QStringList calls;
    QStringList items;
};

}
