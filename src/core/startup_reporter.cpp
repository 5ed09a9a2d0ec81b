#include "core/startup_reporter.h"

#include "core/logging.h"

namespace zepril {

void LoggingReporter::setStatus(const QString& text)
{
    m_status = text;
    qCInfo(lcStartup).noquote() << "status:" << text;
}

void LoggingReporter::showStage(int index)
{
    if (index >= 0 && index < 9)
        m_stages[index] = true;
    qCInfo(lcStartup) << "stage mark" << index << "OK";
}

void LoggingReporter::setFileSize(const QString& text) { m_fileSize = text; }
void LoggingReporter::setProgressRange(double, double maximum) { m_max = maximum; }
void LoggingReporter::setProgressValue(double value) { m_value = value; }

void LoggingReporter::showConnectionWarning()
{
    m_warning = true;
    qCWarning(lcStartup) << "CONNEXION INTERNET INACTIVE";
}

}
