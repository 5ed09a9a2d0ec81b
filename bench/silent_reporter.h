#pragma once
// Quiet stand-in for the start-up window in the download benches: they measure the
// transfer, not the window. It keeps the last progress text and how often it came.
#include "core/startup_reporter.h"

#include <QString>

class SilentReporter final : public zepril::StartupReporter {
public:
    void setStatus(const QString&) override {}
    void showStage(int) override {}
    void setFileSize(const QString& text) override
    {
        last = text;
        ++updates;
    }
    void setProgressRange(double, double) override {}
    void setProgressValue(double) override {}
    void showConnectionWarning() override {}
    bool connectionWarningShown() const override { return false; }
    QString last;
    int updates = 0;
};
