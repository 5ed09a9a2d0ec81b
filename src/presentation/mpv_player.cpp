#include "presentation/mpv_player.h"

#include "core/logging.h"
#include "presentation/mpv_properties.h"

#include <QFile>
#include <QWidget>

#include <mpv/client.h>

#include <algorithm>
#include <clocale>
#include <memory>
#include <optional>
#include <stdexcept>
#include <vector>

namespace zepril {

namespace {

struct OptionValue {
    const char* name;
    const char* value;
};

// Nothing on the screen may invite the viewer to interact: no controls, no keys, no
// mouse, no text; the picture fills its area whatever its aspect.
constexpr OptionValue kKioskOptions[] = {
    {mpvname::kInputDefaultBindings, mpvname::kNo},
    {mpvname::kInputVoKeyboard, mpvname::kNo},
    {mpvname::kInputCursor, mpvname::kNo},
    {mpvname::kCursorAutohide, "always"},
    {mpvname::kOsc, mpvname::kNo},
    {mpvname::kOsdLevel, "0"},
    {mpvname::kKeepAspect, mpvname::kNo},
    {mpvname::kVolume, "50"},
    {mpvname::kPrefetchPlaylist, mpvname::kYes},
    {mpvname::kKeepOpen, mpvname::kNo},
    // Idle keeps the instance alive between playlists and after a failed pass.
    {mpvname::kIdle, mpvname::kYes},
};

// gpu falls back to x11 where there is no usable GL (software renderers). A forced
// window keeps the area black, not undrawn, while nothing plays.
constexpr OptionValue kScreenOptions[] = {
    {mpvname::kVo, "gpu,x11"},
    {mpvname::kForceWindow, mpvname::kYes},
    {mpvname::kHwdec, "auto-safe"},
    {mpvname::kAlpha, "blend"},
};

constexpr OptionValue kNullOptions[] = {
    {mpvname::kVo, "null"},
    {mpvname::kAo, "null"},
};

QString errorText(int code) { return QString::fromUtf8(mpv_error_string(code)); }

// A node mpv filled in; its contents are freed with the handle, on every way out.
struct NodeContentsFree {
    void operator()(mpv_node* node) const { mpv_free_node_contents(node); }
};
using NodeContents = std::unique_ptr<mpv_node, NodeContentsFree>;

struct PlaylistEntry {
    QString path; // null when mpv gave no file name
    std::optional<qint64> id;
};

// The playlist as mpv holds it right now, in its order.
std::vector<PlaylistEntry> readPlaylist(mpv_handle* mpv)
{
    std::vector<PlaylistEntry> entries;
    mpv_node node;
    if (mpv_get_property(mpv, mpvname::kPlaylist, MPV_FORMAT_NODE, &node) < 0)
        return entries;
    const NodeContents owner(&node);
    if (node.format != MPV_FORMAT_NODE_ARRAY)
        return entries;
    for (int i = 0; i < node.u.list->num; ++i) {
        const mpv_node& entry = node.u.list->values[i];
        if (entry.format != MPV_FORMAT_NODE_MAP)
            continue;
        PlaylistEntry& read = entries.emplace_back();
        for (int k = 0; k < entry.u.list->num; ++k) {
            const char* key = entry.u.list->keys[k];
            const mpv_node& value = entry.u.list->values[k];
            if (qstrcmp(key, mpvname::kEntryFilename) == 0 && value.format == MPV_FORMAT_STRING)
                read.path = QFile::decodeName(value.u.string);
            else if (qstrcmp(key, mpvname::kEntryId) == 0 && value.format == MPV_FORMAT_INT64)
                read.id = value.u.int64;
        }
    }
    return entries;
}

}

struct MpvPlayer::EventHandler {
    mpv_event_id id;
    void (MpvPlayer::*handle)(const mpv_event&);
};

struct MpvPlayer::PropertyHandler {
    const char* name;
    mpv_format format;
    void (MpvPlayer::*handle)(const mpv_event_property&);
};

const MpvPlayer::EventHandler MpvPlayer::kEventHandlers[] = {
    {MPV_EVENT_START_FILE, &MpvPlayer::onStartFile},   {MPV_EVENT_FILE_LOADED, &MpvPlayer::onFileLoaded},
    {MPV_EVENT_END_FILE, &MpvPlayer::onEndFile},       {MPV_EVENT_PROPERTY_CHANGE, &MpvPlayer::onPropertyChange},
    {MPV_EVENT_LOG_MESSAGE, &MpvPlayer::onLogMessage}, {MPV_EVENT_SHUTDOWN, &MpvPlayer::onShutdown},
};

// The index in this table is the reply id of the observation.
const MpvPlayer::PropertyHandler MpvPlayer::kPropertyHandlers[] = {
    {mpvname::kIdleActive, MPV_FORMAT_FLAG, &MpvPlayer::onIdleActive},
};

MpvPlayer::MpvPlayer(QWidget* videoParent, const MpvPlayerOptions& options, QObject* parent)
    : QObject(parent), m_options(options)
{
    m_video = new QWidget(videoParent);
    m_ownsVideo = videoParent == nullptr;
    // mpv draws straight into this window; Qt must neither paint over it nor turn the
    // main screen into a native window on the way.
    m_video->setAttribute(Qt::WA_DontCreateNativeAncestors);
    m_video->setAttribute(Qt::WA_NativeWindow);
    m_video->setUpdatesEnabled(false);

    m_retryTimer.setSingleShot(true);
    m_retryTimer.setInterval(m_options.retryAfterAllFailedMs);
    connect(&m_retryTimer, &QTimer::timeout, this, &MpvPlayer::retryAfterAllFailed);

    // mpv parses option numbers with the C library; a locale with a decimal comma
    // makes it refuse them.
    std::setlocale(LC_NUMERIC, "C");
    m_mpv = mpv_create();
    if (!m_mpv)
        throw std::runtime_error("mpv_create failed");

    auto setOptions = [this](const auto& table) {
        for (const OptionValue& o : table) {
            const int rc = mpv_set_option_string(m_mpv, o.name, o.value);
            if (rc < 0)
                qCWarning(lcPlayer).noquote()
                    << "mpv option" << o.name << "=" << o.value << "refused:" << errorText(rc);
        }
    };
    setOptions(kKioskOptions);
    if (m_options.nullOutputs) {
        setOptions(kNullOptions);
    } else {
        setOptions(kScreenOptions);
        // The window must exist before mpv starts: it picks its target once.
        int64_t wid = static_cast<int64_t>(m_video->winId());
        mpv_set_option(m_mpv, mpvname::kWid, MPV_FORMAT_INT64, &wid);
    }

    // Warnings are mostly probing noise (hardware decoders absent) repeated for every
    // file of an endless loop; errors say why a file failed.
    mpv_request_log_messages(m_mpv, "error");
    const int rc = mpv_initialize(m_mpv);
    if (rc < 0) {
        mpv_terminate_destroy(m_mpv);
        m_mpv = nullptr;
        throw std::runtime_error("mpv_initialize failed: " + std::string(mpv_error_string(rc)));
    }

    for (size_t i = 0; i < std::size(kPropertyHandlers); ++i)
        mpv_observe_property(m_mpv, i, kPropertyHandlers[i].name, kPropertyHandlers[i].format);

    mpv_set_wakeup_callback(m_mpv, &MpvPlayer::onWakeup, this);
    qCInfo(lcPlayer) << "media player ready" << (m_options.nullOutputs ? "(null outputs)" : "");
}

MpvPlayer::~MpvPlayer()
{
    if (m_mpv) {
        // mpv may call back from its own threads until this returns; after it, no new
        // wakeup can reach a half-destroyed object.
        mpv_set_wakeup_callback(m_mpv, nullptr, nullptr);
        mpv_terminate_destroy(m_mpv);
        m_mpv = nullptr;
    }
    if (m_ownsVideo)
        delete m_video.data();
}

QWidget* MpvPlayer::videoWidget() const { return m_video.data(); }

// Called on an mpv thread: only hand the work to the UI thread, and only once until
// it has run, so a burst of events does not flood the event queue.
void MpvPlayer::onWakeup(void* self)
{
    auto* player = static_cast<MpvPlayer*>(self);
    if (player->m_drainQueued.exchange(true))
        return;
    QMetaObject::invokeMethod(player, &MpvPlayer::drainEvents, Qt::QueuedConnection);
}

void MpvPlayer::drainEvents()
{
    m_drainQueued = false;
    while (m_mpv) {
        const mpv_event* event = mpv_wait_event(m_mpv, 0);
        if (event->event_id == MPV_EVENT_NONE)
            break;
        for (const EventHandler& h : kEventHandlers) {
            if (h.id == event->event_id) {
                (this->*h.handle)(*event);
                break;
            }
        }
    }
}

void MpvPlayer::onStartFile(const mpv_event& event)
{
    const auto* start = static_cast<const mpv_event_start_file*>(event.data);
    const QString path = pathOfEntry(start->playlist_entry_id);
    m_pathById.insert(start->playlist_entry_id, path);
    m_currentLoaded = false;
    m_currentPath = path;
    qCInfo(lcPlayer).noquote() << "playing" << path;
    emit fileStarted(path);
}

void MpvPlayer::onFileLoaded(const mpv_event&)
{
    m_currentLoaded = true;
    m_failuresInARow = 0;
    settleHardwareDecoding();
    reportPlaying(m_currentPath);
}

void MpvPlayer::settleHardwareDecoding()
{
    // "auto-safe" probes every decoder again at each file, and a missing driver then
    // prints its own complaint on every item; the first file tells what this machine
    // has, and that answer holds for the whole run.
    if (m_hwdecChosen)
        return;
    m_hwdecChosen = true;
    char* current = mpv_get_property_string(m_mpv, mpvname::kHwdecCurrent);
    const QByteArray chosen = current && *current ? QByteArray(current) : QByteArray("no");
    mpv_free(current);
    if (setString(mpvname::kHwdec, chosen.constData()))
        qCInfo(lcPlayer).noquote() << "hardware decoding for this run:" << chosen;
}

void MpvPlayer::onEndFile(const mpv_event& event)
{
    const auto* end = static_cast<const mpv_event_end_file*>(event.data);
    const QString path = m_pathById.value(end->playlist_entry_id);
    // A broken file may also end with "end of file" without ever loading.
    const bool failed =
        end->reason == MPV_END_FILE_REASON_ERROR || (end->reason == MPV_END_FILE_REASON_EOF && !m_currentLoaded);
    if (failed) {
        ++m_failuresInARow;
        const QString reason = end->reason == MPV_END_FILE_REASON_ERROR
            ? errorText(end->error)
            : QStringLiteral("nothing playable in the file");
        qCWarning(lcPlayer).noquote() << "cannot play" << path << "-" << reason << "- skipped";
        emit playbackFailed(path, reason);
        reportFailure(path);
    }
    ++m_endedSinceStart;
    emit fileEnded(static_cast<int>(end->reason));
}

void MpvPlayer::onPropertyChange(const mpv_event& event)
{
    if (event.reply_userdata >= std::size(kPropertyHandlers))
        return;
    const PropertyHandler& h = kPropertyHandlers[event.reply_userdata];
    const auto* property = static_cast<const mpv_event_property*>(event.data);
    if (property->format == h.format)
        (this->*h.handle)(*property);
}

// Some errors come back for every file of an endless loop (decoders probed and found
// missing, the same broken file on every pass): each distinct text is told once. Every
// failed file is still logged on each pass, with mpv's error code, by onEndFile.
void MpvPlayer::onLogMessage(const mpv_event& event)
{
    const auto* msg = static_cast<const mpv_event_log_message*>(event.data);
    const QString text = QString::fromUtf8(msg->prefix) + QLatin1String(": ") + QString::fromUtf8(msg->text).trimmed();
    if (m_toldLogTexts.contains(text))
        return;
    if (m_toldLogTexts.size() >= kMaxToldLogTexts)
        m_toldLogTexts.clear();
    m_toldLogTexts.insert(text);
    qCWarning(lcPlayer).noquote() << "mpv" << text << "(told once)";
}

void MpvPlayer::onShutdown(const mpv_event&) { qCWarning(lcPlayer) << "mpv shut down"; }

// mpv stops after one pass in which every item failed, loop or not, and stays idle:
// without a new attempt one bad pass would leave the screen black until the reboot.
void MpvPlayer::onIdleActive(const mpv_event_property& property)
{
    const bool idle = *static_cast<const int*>(property.data) != 0;
    emit idleChanged(idle);
    // An idle report with no file ended since the last start is the state from before
    // that start, delivered late.
    if (!idle || !m_wantPlaying || m_endedSinceStart == 0)
        return;
    const qint64 count = intProperty(mpvname::kPlaylistCount, 0);
    if (count <= 0)
        return;
    if (m_failuresInARow >= count) {
        qCWarning(lcPlayer).noquote() << QStringLiteral(
                                             "every item of the playlist failed (%1 items); trying again in %2 ms")
                                             .arg(count)
                                             .arg(m_options.retryAfterAllFailedMs);
        emit allItemsFailed();
        m_retryTimer.start();
    } else {
        qCInfo(lcPlayer) << "playlist ended";
    }
}

void MpvPlayer::retryAfterAllFailed()
{
    if (!m_wantPlaying || !isIdle())
        return;
    const qint64 count = intProperty(mpvname::kPlaylistCount, 0);
    if (count <= 0)
        return;
    qCInfo(lcPlayer) << "handing the playlist over again," << count << "items";
    startFromFirst();
}

void MpvPlayer::clearPlaylist()
{
    m_retryTimer.stop();
    m_failuresInARow = 0;
    // playlist-clear keeps the entry being played; the playlist must really be empty.
    command({mpvname::kPlaylistClear});
    if (intProperty(mpvname::kPlaylistCount, 0) > 0)
        command({mpvname::kPlaylistRemove, mpvname::kCurrent});
    qCInfo(lcPlayer) << "playlist cleared";
}

void MpvPlayer::setLoop(bool loop)
{
    setString(mpvname::kLoopPlaylist, loop ? mpvname::kInfinite : mpvname::kNo);
    qCInfo(lcPlayer) << "loop" << (loop ? "on" : "off");
}

void MpvPlayer::insertItem(int position, const QString& filePath)
{
    const QByteArray path = QFile::encodeName(filePath);
    if (!command({mpvname::kLoadFile, path.constData(), mpvname::kAppend}))
        return;
    // mpv only appends; moving the new last entry onto the wanted place puts it before
    // the entry that held that place, which is what inserting there means.
    const qint64 last = intProperty(mpvname::kPlaylistCount, 0) - 1;
    const qint64 target = std::max<qint64>(0, position);
    if (target < last) {
        const QByteArray from = QByteArray::number(last);
        const QByteArray to = QByteArray::number(target);
        command({mpvname::kPlaylistMove, from.constData(), to.constData()});
    }
}

void MpvPlayer::play()
{
    m_wantPlaying = true;
    m_retryTimer.stop();
    int flag = 0;
    mpv_set_property(m_mpv, mpvname::kPause, MPV_FORMAT_FLAG, &flag);
    // Appending to an idle mpv does not start it; starting means choosing an entry.
    if (isIdle() && intProperty(mpvname::kPlaylistCount, 0) > 0)
        startFromFirst();
    qCInfo(lcPlayer) << "play";
}

void MpvPlayer::startFromFirst()
{
    m_failuresInARow = 0;
    m_endedSinceStart = 0;
    int64_t first = 0;
    const int rc = mpv_set_property(m_mpv, mpvname::kPlaylistPos, MPV_FORMAT_INT64, &first);
    if (rc < 0)
        qCWarning(lcPlayer).noquote() << "cannot start the playlist:" << errorText(rc);
}

void MpvPlayer::pause()
{
    m_wantPlaying = false;
    m_retryTimer.stop();
    int flag = 1;
    mpv_set_property(m_mpv, mpvname::kPause, MPV_FORMAT_FLAG, &flag);
    qCInfo(lcPlayer) << "pause";
}

QStringList MpvPlayer::playlistEntries() const
{
    QStringList entries;
    for (const PlaylistEntry& entry : readPlaylist(m_mpv))
        if (!entry.path.isNull())
            entries << entry.path;
    return entries;
}

QString MpvPlayer::pathOfEntry(qint64 entryId) const
{
    for (const PlaylistEntry& entry : readPlaylist(m_mpv))
        if (entry.id == entryId && !entry.path.isNull())
            return entry.path;
    return QString();
}

int MpvPlayer::currentPosition() const { return static_cast<int>(intProperty(mpvname::kPlaylistPos, -1)); }

bool MpvPlayer::isPaused() const { return flagProperty(mpvname::kPause, false); }

bool MpvPlayer::isIdle() const { return flagProperty(mpvname::kIdleActive, true); }

PlaybackState MpvPlayer::playbackState() const
{
    PlaybackState state;
    state.item = m_currentPath;
    state.playing = m_currentLoaded && !isIdle() && !isPaused();
    double position = -1;
    if (mpv_get_property(m_mpv, mpvname::kTimePos, MPV_FORMAT_DOUBLE, &position) >= 0)
        state.positionSeconds = position;
    return state;
}

bool MpvPlayer::command(std::initializer_list<const char*> args)
{
    std::vector<const char*> argv(args);
    argv.push_back(nullptr);
    const int rc = mpv_command(m_mpv, argv.data());
    if (rc < 0) {
        qCWarning(lcPlayer).noquote() << "mpv command" << args.begin()[0] << "failed:" << errorText(rc);
        return false;
    }
    return true;
}

bool MpvPlayer::setString(const char* name, const char* value)
{
    const int rc = mpv_set_property_string(m_mpv, name, value);
    if (rc < 0)
        qCWarning(lcPlayer).noquote() << "mpv property" << name << "=" << value << "refused:" << errorText(rc);
    return rc >= 0;
}

qint64 MpvPlayer::intProperty(const char* name, qint64 fallback) const
{
    int64_t value = 0;
    return mpv_get_property(m_mpv, name, MPV_FORMAT_INT64, &value) < 0 ? fallback : value;
}

bool MpvPlayer::flagProperty(const char* name, bool fallback) const
{
    int value = 0;
    return mpv_get_property(m_mpv, name, MPV_FORMAT_FLAG, &value) < 0 ? fallback : value != 0;
}

}
