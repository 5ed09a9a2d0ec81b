#pragma once
// Hand-written fakes of the ground floor's seams, for every test program.
#include "core/clock.h"
#include "core/connection_probe.h"
#include "core/startup_reporter.h"

#include <QStringList>
#include <QtGlobal>

namespace zepril::test {

class FakeClock final : public Clock {
public:
    explicit FakeClock(QDateTime t = QDateTime(QDate(2026, 1, 1), QTime(0, 0))) : time(std::move(t)) {}
    QDateTime now() const override { return time; }
    double steadyMs() const override { return steady; }
    QDateTime time;
    double steady = 0;
};

class FakeProbe final : public ConnectionProbe {
public:
    explicit FakeProbe(bool up = true) : connected(up) {}
    bool isConnected(QString& kind) override { kind = connected ? "LAN" : ""; return connected; }
    bool connected;
};

// Keeps what the start-up reported, besides logging it as the real reporter does.
class RecordingReporter final : public LoggingReporter {
public:
    void setStatus(const QString& text) override { LoggingReporter::setStatus(text); events << text; }
    void showStage(int i) override { LoggingReporter::showStage(i); events << "stage " + QString::number(i); }
    void setFileSize(const QString& text) override { LoggingReporter::setFileSize(text); fileSizes << text; }
    QStringList events; // statuses and "stage N" marks, in the order they came
    QStringList fileSizes;
};

// Keeps the log lines of one category (of all when none is named) while it lives;
// warnings are also kept apart.
class LogCapture final {
public:
    explicit LogCapture(QByteArray category = {}) : m_category(std::move(category))
    {
        s_current = this;
        m_previous = qInstallMessageHandler(&LogCapture::keep);
    }
    ~LogCapture() { qInstallMessageHandler(m_previous), s_current = nullptr; }
    QStringList lines;
    QStringList warnings;

private:
    static void keep(QtMsgType type, const QMessageLogContext& context, const QString& text)
    {
        if (!s_current || (!s_current->m_category.isEmpty() && s_current->m_category != context.category))
            return;
        s_current->lines << text;
        if (type == QtWarningMsg)
            s_current->warnings << text;
    }
    static inline LogCapture* s_current = nullptr;
    QByteArray m_category;
    QtMessageHandler m_previous = nullptr;
};

}
