#pragma once
// The operations the player's screen needs from a media player: a looping playlist
// of local files, play and pause. One real implementation (mpv) and test fakes.
#include <QString>

#include <functional>

namespace zepril {

// What the player says it is doing, for whoever checks the screen against it.
struct PlaybackState {
    bool playing = false;        // a file is loaded and not paused
    QString item;                // the file on screen
    double positionSeconds = -1; // where in it; -1 unknown
};

class MediaPlayer {
public:
    virtual ~MediaPlayer() = default;
    virtual void clearPlaylist() = 0;
    // Whether the playlist starts again from its first item after the last.
    virtual void setLoop(bool loop) = 0;
    // Puts the file at `position` of the playlist; later items move down.
    virtual void insertItem(int position, const QString& filePath) = 0;
    virtual void play() = 0;
    virtual void pause() = 0;
    virtual PlaybackState playbackState() const { return {}; }

    // Told the path of each listed file the player could not open, on the UI thread.
    void setFailureHandler(std::function<void(const QString& path)> handler) { m_failureHandler = std::move(handler); }
    // Told the path of each file that loaded and is on screen, on the UI thread.
    void setPlayingHandler(std::function<void(const QString& path)> handler) { m_playingHandler = std::move(handler); }

protected:
    void reportFailure(const QString& path) const
    {
        if (m_failureHandler)
            m_failureHandler(path);
    }
    void reportPlaying(const QString& path) const
    {
        if (m_playingHandler)
            m_playingHandler(path);
    }

private:
    std::function<void(const QString& path)> m_failureHandler;
    std::function<void(const QString& path)> m_playingHandler;
};

}
