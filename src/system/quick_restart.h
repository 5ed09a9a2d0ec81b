#pragma once
// Whether a start may go straight to the channel with the content on disk. A player
// restarted within the boot in which the channel already played (after a crash, a kill,
// the watchdog) has nothing to gain from the start-up page and a synchronization: the
// content on disk is what that boot synchronized, and the next synchronization comes
// with the next daily reboot. The record of the channel's start is kept in the program
// tree, keyed by the boot id, so a record of another boot never counts and nothing depends
// on a runtime directory the service manager may remove between two starts.
#include <QString>

#include <optional>

namespace zepril {

class ProgramPaths;

struct ChannelStartRecord {
    QString bootId;      // the boot in which the channel last played
    int quickStarts = 0; // quick starts since it last played
};

// A quick start that never reaches the channel this many times in a row (a crash before
// the first frame) gives way to the whole start-up.
inline constexpr int kQuickStartsWithoutPlaying = 3;

struct StartChoice {
    bool quick = false;
    QString reason;
};

StartChoice chooseStart(const std::optional<ChannelStartRecord>& record, const QString& bootId);

// cfg/channel_start.txt: the boot id and the count of quick starts, one a line.
QString channelStartRecordFile(const ProgramPaths& paths);
std::optional<ChannelStartRecord> readChannelStart(const ProgramPaths& paths);
bool writeChannelStart(const ProgramPaths& paths, const ChannelStartRecord& record);

}
