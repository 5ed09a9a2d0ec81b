#pragma once
// Names of the mpv options, properties and commands the player uses, in one place so
// a misspelt name cannot hide in a call site (mpv answers an unknown name with an
// error code, not a crash, and that is easy to miss).

namespace zepril::mpvname {

// Options, set before the handle is initialised.
inline constexpr char kWid[] = "wid";
inline constexpr char kVo[] = "vo";
inline constexpr char kAo[] = "ao";
inline constexpr char kAlpha[] = "alpha";
inline constexpr char kHwdec[] = "hwdec";
inline constexpr char kHwdecCurrent[] = "hwdec-current";
inline constexpr char kKeepAspect[] = "keepaspect";
inline constexpr char kVolume[] = "volume";
inline constexpr char kPrefetchPlaylist[] = "prefetch-playlist";
inline constexpr char kKeepOpen[] = "keep-open";
inline constexpr char kIdle[] = "idle";
inline constexpr char kInputDefaultBindings[] = "input-default-bindings";
inline constexpr char kInputVoKeyboard[] = "input-vo-keyboard";
inline constexpr char kInputCursor[] = "input-cursor";
inline constexpr char kCursorAutohide[] = "cursor-autohide";
inline constexpr char kOsc[] = "osc";
inline constexpr char kOsdLevel[] = "osd-level";
inline constexpr char kForceWindow[] = "force-window";

// Properties read, written or observed while running.
inline constexpr char kLoopPlaylist[] = "loop-playlist";
inline constexpr char kPause[] = "pause";
inline constexpr char kIdleActive[] = "idle-active";
inline constexpr char kPlaylist[] = "playlist";
inline constexpr char kPlaylistCount[] = "playlist-count";
inline constexpr char kPlaylistPos[] = "playlist-pos";
inline constexpr char kTimePos[] = "time-pos";

// Keys of one entry of the playlist property.
inline constexpr char kEntryFilename[] = "filename";
inline constexpr char kEntryId[] = "id";

// Commands.
inline constexpr char kLoadFile[] = "loadfile";
inline constexpr char kAppend[] = "append";
inline constexpr char kPlaylistClear[] = "playlist-clear";
inline constexpr char kPlaylistRemove[] = "playlist-remove";
inline constexpr char kCurrent[] = "current";
inline constexpr char kPlaylistMove[] = "playlist-move";

// Values.
inline constexpr char kYes[] = "yes";
inline constexpr char kNo[] = "no";
inline constexpr char kInfinite[] = "inf";

}
