#pragma once
// The overlay's clock caption: "hh:mm" on a 24-hour clock, two digits each.
#include <QString>

class QDateTime;
class QTime;

namespace zepril {

QString clockText(const QTime& time);
QString clockText(const QDateTime& moment);

}
