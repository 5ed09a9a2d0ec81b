#include "monitoring/prometheus_text.h"

#include "monitoring/player_snapshot.h"

#include <QList>
#include <QPair>

namespace zepril {

namespace {

using Labels = QList<QPair<const char*, QString>>;

QByteArray escapedLabelValue(const QString& value)
{
    QByteArray out;
    for (const char c : value.toUtf8()) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '"')
            out += "\\\"";
        else if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
    return out;
}

QByteArray number(double value) { return QByteArray::number(value, 'g', 17); }

// Unix time to the millisecond, written as a decimal, never as 1796720843.2420001.
QByteArray seconds(const QDateTime& t) { return QByteArray::number(double(t.toMSecsSinceEpoch()) / 1000.0, 'f', 3); }

class MetricsWriter {
public:
    void family(const char* name, const char* type, const char* help)
    {
        m_text += QByteArray("# HELP ") + name + ' ' + help + "\n# TYPE " + name + ' ' + type + '\n';
    }
    void sample(const char* name, const Labels& labels, const QByteArray& value)
    {
        m_text += name;
        if (!labels.isEmpty()) {
            m_text += '{';
            for (qsizetype i = 0; i < labels.size(); ++i)
                m_text +=
                    (i ? "," : "") + QByteArray(labels[i].first) + "=\"" + escapedLabelValue(labels[i].second) + '"';
            m_text += '}';
        }
        m_text += ' ' + value + '\n';
    }
    void single(const char* name, const char* type, const char* help, const QByteArray& value)
    {
        family(name, type, help);
        sample(name, {}, value);
    }
    // One sample per possible value, 1 for the one that holds.
    void stateSet(const char* name, const char* label, const char* help, const QStringList& values,
                  const QString& current)
    {
        family(name, "gauge", help);
        for (const QString& v : values)
            sample(name, {{label, v}}, v == current ? "1" : "0");
    }
    QByteArray text() const { return m_text; }

private:
    QByteArray m_text;
};

QByteArray flag(bool value) { return value ? "1" : "0"; }

}

QByteArray prometheusText(const PlayerSnapshot& s)
{
    MetricsWriter w;
    w.single("zepril_up", "gauge", "1 while the player runs, 0 once it has stopped on purpose.",
             flag(s.state != QLatin1String("stopping")));
    w.stateSet("zepril_state", "state", "The player's state: 1 for the one it is in.", playerStates(), s.state);
    w.family("zepril_build_info", "gauge", "The player's version, as a label.");
    w.sample("zepril_build_info", {{"version", s.version}}, "1");
    if (!s.currentItem.isEmpty()) {
        w.family("zepril_item_playing_info", "gauge", "The playlist item on screen, as a label.");
        w.sample("zepril_item_playing_info", {{"item", s.currentItem}}, "1");
    }
    w.single("zepril_items_played_total", "counter", "Items that loaded and were shown since the player started.",
             number(double(s.itemsPlayed)));
    w.single("zepril_playlist_items", "gauge", "Items in the playlist handed to the media player.",
             number(s.playlistSize));

    if (s.textsLastSuccess.isValid())
        w.single("zepril_texts_last_success_timestamp_seconds", "gauge",
                 "When the hotel's texts were last fetched and stored (Unix time).", seconds(s.textsLastSuccess));
    if (s.textsLastRefresh.isValid()) {
        w.single("zepril_texts_refresh_timestamp_seconds", "gauge",
                 "When the texts were last refreshed this run, whatever the outcome (Unix time).",
                 seconds(s.textsLastRefresh));
        w.stateSet("zepril_texts_refresh_outcome", "outcome",
                   "Outcome of the last texts refresh: 1 for the one it had.",
                   {QStringLiteral("refreshed"), QStringLiteral("fetch failed"), QStringLiteral("no connection")},
                   s.textsOutcome);
    }

    if (s.syncLast.isValid())
        w.single("zepril_sync_timestamp_seconds", "gauge", "When the videos were last synchronized (Unix time).",
                 seconds(s.syncLast));
    if (s.syncLastSuccess.isValid())
        w.single("zepril_sync_last_success_timestamp_seconds", "gauge",
                 "When a synchronization last fetched every list and every video (Unix time).",
                 seconds(s.syncLastSuccess));
    if (!s.syncOutcome.isEmpty())
        w.stateSet("zepril_sync_outcome", "outcome", "Outcome of this run's synchronization: 1 for the one it had.",
                   {QStringLiteral("synced"), QStringLiteral("incomplete"), QStringLiteral("manual"),
                    QStringLiteral("from_disk")},
                   s.syncOutcome);
    w.single("zepril_failed_downloads", "gauge", "Downloads in the failed-download journal.",
             number(s.failedDownloads));

    w.family("zepril_category_files", "gauge", "Videos in each category's folder.");
    for (const CategoryUsage& c : s.categories)
        w.sample("zepril_category_files", {{"category", c.category}}, number(c.files));
    w.family("zepril_category_bytes", "gauge", "Bytes of the videos in each category's folder.");
    for (const CategoryUsage& c : s.categories)
        w.sample("zepril_category_bytes", {{"category", c.category}}, number(double(c.bytes)));
    bool anyList = false;
    for (const CategoryUsage& c : s.categories)
        anyList = anyList || c.listFetched.has_value();
    if (anyList) {
        w.family("zepril_category_list_fetched", "gauge", "1 when the category's server list arrived this run.");
        for (const CategoryUsage& c : s.categories)
            if (c.listFetched)
                w.sample("zepril_category_list_fetched", {{"category", c.category}}, flag(*c.listFetched));
    }

    if (s.filesystemFreeBytes >= 0) {
        w.single("zepril_filesystem_free_bytes", "gauge",
                 "Bytes free for the player on the program tree's file system.", number(double(s.filesystemFreeBytes)));
        w.single("zepril_filesystem_size_bytes", "gauge", "Size of the program tree's file system in bytes.",
                 number(double(s.filesystemSizeBytes)));
    }
    w.single("zepril_banner_passes_total", "counter", "Banner passes ended since the player started.",
             number(double(s.bannerPasses)));
    w.single("zepril_uptime_seconds", "gauge", "Seconds since the player started.", number(double(s.uptimeSeconds)));
    w.single("zepril_restarts_this_boot", "gauge", "Times the player started again since the machine booted.",
             number(s.restartsThisBoot));

    if (s.picture) {
        w.single("zepril_screen_grab_timestamp_seconds", "gauge", "When the screen was last grabbed (Unix time).",
                 seconds(s.picture->grabbed));
        w.single("zepril_picture_black", "gauge", "1 when the screen is almost all black while a video plays.",
                 flag(s.picture->black));
        w.single("zepril_picture_frozen", "gauge",
                 "1 when the screen shows the same picture for several grabs while the video moves on.",
                 flag(s.picture->frozen));
    }
    return w.text();
}

}
