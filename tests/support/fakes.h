#pragma once
// Hand-written fakes of the platform seams, for tests.
#include "core/clock.h"
#include "core/connection_probe.h"
#include "presentation/media_player.h"

#include <QStringList>

namespace zepril::test {

class FakeClock final : public Clock {
public:
    explicit FakeClock(QDateTime t = QDateTime(QDate(2026, 1, 1), QTime(0, 0))) : time(std::move(t)) {}
    QDateTime now() const override { return time; }
    QDateTime time;
};

class FakeProbe final : public ConnectionProbe {
public:
    explicit FakeProbe(bool up = true) : connected(up) {}
    bool isConnected(QString& kind) override
    {
        ++calls;
        kind = connected ? QStringLiteral("LAN") : QString();
        return connected;
    }
    bool connected;
    int calls = 0;
};

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
    void play() override { calls << "play"; playing = true; }
    void pause() override { calls << "pause"; playing = false; }
    void failToOpen(const QString& path) const { reportFailure(path); }

    QStringList calls;
    QStringList items;
    bool playing = false;
};

}
