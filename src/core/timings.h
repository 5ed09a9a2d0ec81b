#pragma once
// Every interval the player waits for, in one place: production values by default,
// tests shorten them.

namespace zepril {

struct Timings {
    int startupWindowMs = 30000;   // start-up window's timer that shows the main screen
    int noConnectionWaitMs = 5000; // the connection warning stays readable this long
    int overlayFirstShowMs = 5000; // clock and weather strip first raised
    int clockRefreshMs = 30000;
    int textsTickMs = 60000; // daily reboot check and texts refresh counter
    int weatherTickMs = 60000;
    int scrollTickMs = 15;
    int scrollAheadTicks = 6;        // ticks between wake-ups when the banner is handed twice as many at once
    int bannerCycleDesignMs = 5000;  // banner pause when cycle_phrase is not a number
    int playerRetryMs = 60000;       // a playlist whose every item failed is handed over again
    int httpConnectTimeoutMs = 5000; // a stalled server must not hold the screen for long
    int httpIdleTimeoutMs = 10000;
    int fetchDeadlineMs = 20000; // a direct fetch (texts, lists, weather), however the server paces it
    int ftpRequestTimeoutS = 4;
    int progressRefreshMs = 100;
    int statusWriteMs = 60000;              // the status file a technician reads
    int emptyPlaylistRetryMs = 180000;      // nothing to play: the folders are looked at again
    int screenGrabMs = 60000;               // the screen's thumbnail and its black / frozen check
    int startupPageQuitGraceMs = 3000;      // the page helper asked to quit, then terminated
    int startupPageTerminateGraceMs = 1000; // then killed
    // A start-up past the service manager's start timeout lives this long after each sign
    // of progress: longer than its longest quiet step (a transfer's connect and idle
    // timeouts, a direct fetch's deadline), short enough that a stuck one ends that day.
    int startupProgressGraceMs = 120000;
    int startupProgressNoticeMs = 5000; // the service manager is told of progress at most this often
    int screenSettleMs = 300;           // a screen's changes settle before the windows follow it

    static Timings production() { return {}; }
};

}
