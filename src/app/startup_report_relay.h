#pragma once
// Where the start-up's reports go: to the start-up window while it exists, to the log
// after it closed.
#include "app/startup_window.h"
#include "core/startup_reporter.h"

#include <QPointer>

namespace zepril {

class StartupReportRelay final : public StartupReporter {
public:
    void setStatus(const QString& t) override { target().setStatus(t); }
    void showStage(int i) override { target().showStage(i); }
    void setFileSize(const QString& t) override { target().setFileSize(t); }
    void setProgressRange(double a, double b) override { target().setProgressRange(a, b); }
    void setProgressValue(double v) override { target().setProgressValue(v); }
    void showConnectionWarning() override
    {
        m_warning = true;
        target().showConnectionWarning();
    }
    bool connectionWarningShown() const override { return m_warning; }

    QPointer<StartupWindow> window;

private:
    StartupReporter& target() { return window ? static_cast<StartupReporter&>(*window) : m_log; }
    LoggingReporter m_log;
    bool m_warning = false;
};

}
