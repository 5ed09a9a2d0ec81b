#pragma once
// The player's metrics in the Prometheus text exposition format (version 0.0.4), read
// by node-exporter's textfile collector and printed by `zepril-client --metrics`.
#include <QByteArray>

namespace zepril {

struct PlayerSnapshot;

// Every family has its HELP and TYPE lines; label values are escaped; a value that
// is not known (no grab yet, no refresh yet) leaves its family out rather than
// inventing a number.
QByteArray prometheusText(const PlayerSnapshot& snapshot);

}
