#pragma once
// Wall-clock reads go through this seam so that tests can pick the time of day.
#include <QDateTime>

namespace zepril {

class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
};

class SystemClock final : public Clock {
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};

}
