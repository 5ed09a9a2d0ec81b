#pragma once
// Clock reads go through this seam so that tests can pick the time of day and the
// time that passes.
#include <QDateTime>

#include <chrono>

namespace zepril {

class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
    // Milliseconds from an arbitrary origin that never jumps, for measuring durations.
    virtual double steadyMs() const = 0;
};

class SystemClock final : public Clock {
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
    double steadyMs() const override
    {
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
    }
};

}
