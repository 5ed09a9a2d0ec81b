#pragma once
// majvid_heure, the daily reboot's time of day, read one way by every reader: the
// scheduler, the status file, the technician's commands and, through
// `zepril-client --reboot-time`, the timer that reboots a stopped channel.
#include <QDateTime>
#include <QString>
#include <QTime>
#include <QTimeZone>

#include <optional>

namespace zepril {

// The first two characters as the hour and the last two as the minute wherever they
// make a time ("03:00", "0300", "03h00"); otherwise an hour of one or two digits, a
// separator (":", "h", ".") and two minute digits ("3:00", "3h00"); "24:00" is
// midnight. Nothing when the text names no time: no daily reboot then.
std::optional<QTime> rebootTimeOfDay(const QString& majvidHeure);

// The moment on `day` at which the clock of `zone` first reads `time` or later: on a
// night that skips that reading (spring), the moment the clock jumps past it; on a
// night that reads it twice (autumn), the first of the two.
QDateTime firstMomentAt(QDate day, QTime time, const QTimeZone& zone);

}
