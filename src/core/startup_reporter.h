#pragma once
// Where the start-up reports its stages: the start-up window implements it; until
// that window exists (and in tests) the reports are only logged.
#include <QString>

namespace zepril {

class StartupReporter {
public:
    virtual ~StartupReporter() = default;
    virtual void setStatus(const QString& text) = 0;                   // the status line
    virtual void showStage(int index) = 0;                             // the stage's mark, 0..8
    virtual void setFileSize(const QString& text) = 0;                 // the download's size
    virtual void setProgressRange(double minimum, double maximum) = 0; // the progress bar's
    virtual void setProgressValue(double value) = 0;
    virtual void showConnectionWarning() = 0; // "no Internet connection" in red
    virtual bool connectionWarningShown() const = 0;
};

class LoggingReporter : public StartupReporter {
public:
    void setStatus(const QString& text) override;
    void showStage(int index) override;
    void setFileSize(const QString& text) override;
    void setProgressRange(double minimum, double maximum) override;
    void setProgressValue(double value) override;
    void showConnectionWarning() override;
    bool connectionWarningShown() const override { return m_warning; }

    QString status() const { return m_status; }
    QString fileSize() const { return m_fileSize; }
    bool stageShown(int index) const { return index >= 0 && index < 9 && m_stages[index]; }
    double progressMaximum() const { return m_max; }
    double progressValue() const { return m_value; }

private:
    QString m_status;
    QString m_fileSize = QStringLiteral("0");
    bool m_stages[9] = {};
    bool m_warning = false;
    double m_max = 1;
    double m_value = 0;
};

}
