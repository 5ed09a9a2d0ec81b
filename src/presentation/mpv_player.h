#pragma once
// The media player of the main screen: one mpv instance for the whole run, drawing into
// a native child widget, playing a looping playlist of local files with no controls.
#include "presentation/media_player.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QStringList>
#include <QTimer>

#include <atomic>
#include <initializer_list>

struct mpv_handle;
struct mpv_event;
struct mpv_event_property;

class QWidget;

namespace zepril {

struct MpvPlayerOptions {
    bool nullOutputs = false;          // vo=null, ao=null: tests and headless runs
    int retryAfterAllFailedMs = 60000; // pass Timings::playerRetryMs
};

class MpvPlayer final : public QObject, public MediaPlayer {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MpvPlayer)

public:
    // The video widget is created as a child of videoParent (which may be null) and
    // must stay there: moving a native widget to another parent gives it a new window
    // that mpv does not know. Destroy the player before videoParent.
    // Throws std::runtime_error when mpv cannot be created or initialised.
    explicit MpvPlayer(QWidget* videoParent, const MpvPlayerOptions& options = {}, QObject* parent = nullptr);
    ~MpvPlayer() override;

    // The area mpv draws into; the owner places and sizes it.
    QWidget* videoWidget() const;

    void clearPlaylist() override;
    void setLoop(bool loop) override;
    void insertItem(int position, const QString& filePath) override;
    void play() override;
    void pause() override;
    PlaybackState playbackState() const override;

    // What mpv holds right now, read from mpv itself.
    QStringList playlistEntries() const;
    int currentPosition() const; // -1 when nothing is current
    bool isPaused() const;
    bool isIdle() const;

signals:
    void fileStarted(const QString& path);
    void fileEnded(int reason); // mpv_end_file_reason
    void playbackFailed(const QString& path, const QString& error);
    void allItemsFailed();
    void idleChanged(bool idle);

private:
    struct EventHandler;
    struct PropertyHandler;
    static const EventHandler kEventHandlers[];
    static const PropertyHandler kPropertyHandlers[];

    static void onWakeup(void* self);
    void drainEvents();
    void onStartFile(const mpv_event& event);
    void onFileLoaded(const mpv_event& event);
    void onEndFile(const mpv_event& event);
    void onPropertyChange(const mpv_event& event);
    void onLogMessage(const mpv_event& event);
    void onShutdown(const mpv_event& event);
    void onIdleActive(const mpv_event_property& property);
    void retryAfterAllFailed();
    void startFromFirst();
    void settleHardwareDecoding();

    bool command(std::initializer_list<const char*> args);
    bool setString(const char* name, const char* value);
    qint64 intProperty(const char* name, qint64 fallback) const;
    bool flagProperty(const char* name, bool fallback) const;
    QString pathOfEntry(qint64 entryId) const;

    MpvPlayerOptions m_options;
    mpv_handle* m_mpv = nullptr;
    QPointer<QWidget> m_video;
    bool m_ownsVideo = false;
    std::atomic_bool m_drainQueued{false};

    bool m_wantPlaying = false;   // play() asked for and not paused since
    bool m_currentLoaded = false; // the file started last got as far as loading
    QString m_currentPath;        // the file started last
    bool m_hwdecChosen = false;   // hardware decoding settled after the first file
    int m_failuresInARow = 0;     // items that failed since one last loaded
    int m_endedSinceStart = 0;    // files ended since playback last started from the top
    QHash<qint64, QString> m_pathById;
    static constexpr qsizetype kMaxToldLogTexts = 500;
    QSet<QString> m_toldLogTexts;
    QTimer m_retryTimer;
};

}
