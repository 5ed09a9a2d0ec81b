#pragma once
// The one place where the player runs its event loop from inside a call.
//
// The start-up, the category synchronization and the panel's commands are sequences of
// steps (fetch, then write, then the next), while the clock, the banner, the video and
// the watchdog must go on meanwhile. A step that waits lets the event loop run through
// here and nowhere else. The price is re-entrancy: any slot may run inside such a wait,
// so a caller never waits while it holds a half-changed state.
namespace zepril {

// Lets the events already queued run once: paint, timers, a transfer's progress.
void letEventsRun();

}
