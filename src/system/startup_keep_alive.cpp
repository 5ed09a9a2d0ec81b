#include "system/startup_keep_alive.h"

#include "system/service_notifier.h"

namespace zepril {

bool ProgressNoticeGate::progressed(qint64 nowMs)
{
    if (m_noticed && nowMs - m_lastNoticeMs < m_noticeEveryMs)
        return false;
    m_noticed = true;
    m_lastNoticeMs = nowMs;
    return true;
}

StartupKeepAlive::StartupKeepAlive(StartupReporter& next, ServiceNotifier& notifier, int graceMs, int noticeEveryMs,
                                   std::function<qint64()> monotonicMs)
    : m_next(next),
      m_notifier(notifier),
      m_graceMs(graceMs),
      m_gate(noticeEveryMs),
      m_monotonicMs(std::move(monotonicMs))
{
    m_elapsed.start();
    if (!m_monotonicMs)
        m_monotonicMs = [this] { return m_elapsed.elapsed(); };
}

void StartupKeepAlive::progressed()
{
    if (m_gate.progressed(m_monotonicMs()))
        m_notifier.extendStartup(m_graceMs, statusLine());
}

QString StartupKeepAlive::statusLine() const
{
    QString line = QStringLiteral("starting: ") + m_status.trimmed();
    if (!m_fileSize.isEmpty() && m_fileSize != QLatin1String("0"))
        line += QStringLiteral(" (") + m_fileSize + QLatin1Char(')');
    return line;
}

void StartupKeepAlive::setStatus(const QString& text)
{
    m_next.setStatus(text);
    if (text == m_status)
        return;
    m_status = text;
    // A new stage's line; the previous file's progress no longer describes it.
    m_fileSize.clear();
    progressed();
}

void StartupKeepAlive::showStage(int index)
{
    m_next.showStage(index);
    const unsigned bit = index >= 0 && index < 32 ? 1u << index : 0u;
    if (!bit || (m_stagesShown & bit))
        return;
    m_stagesShown |= bit;
    progressed();
}

void StartupKeepAlive::setFileSize(const QString& text)
{
    m_next.setFileSize(text);
    m_fileSize = text;
}

void StartupKeepAlive::setProgressRange(double minimum, double maximum)
{
    m_next.setProgressRange(minimum, maximum);
    // A new transfer starts from its first byte: only bytes beyond that are progress.
    m_value = minimum;
}

void StartupKeepAlive::setProgressValue(double value)
{
    m_next.setProgressValue(value);
    if (!(value > m_value))
        return;
    m_value = value;
    progressed();
}

}
