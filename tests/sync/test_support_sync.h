#pragma once
// Shared by the synchronization tests: a reporter that keeps everything it was told.
#include "app/core/startup_reporter.h"
#include "net/http_transfer.h"
#include "support/http_test_server.h"

#include <QStringList>

namespace zepril::test {

class RecordingReporter final : public LoggingReporter {
public:
    void setStatus(const QString& text) override
    {
        LoggingReporter::setStatus(text);
        events << "status " + text;
        statuses << text;
    }
    void showStage(int index) override
    {
        LoggingReporter::showStage(index);
        events << QStringLiteral("stage %1").arg(index);
    }
    void setFileSize(const QString& text) override
    {
        LoggingReporter::setFileSize(text);
        fileSizes << text;
    }
    QStringList events;
    QStringList statuses;
    QStringList fileSizes;
};

// The test server ignores a stop that comes before its accept loop runs, and would
// then never stop; one answered request proves the loop runs. The request is then
// forgotten so that tests see only their own.
inline void waitUntilServing(TestHttpServer& server)
{
    HttpTransfer http;
    http.setUrl(server.baseUrl() + QStringLiteral("/ready"));
    if (http.execute(QStringLiteral("GET"))) {
        while (!http.getChunk(4096).isEmpty()) {
        }
    }
    server.clearRequests();
}

}
