#pragma once
// Shared by the synchronization tests: a program directory in a temporary tree, a real
// HTTP server on 127.0.0.1 and a reporter that keeps everything it was told.
#include "core/file_helpers.h"
#include "core/list_file.h"
#include "net/http_head.h"
#include "net/http_transfer.h"
#include "support/core_fakes.h"
#include "support/http_test_server.h"
#include "support/temp_tree.h"
#include "support/video_bytes.h"
#include "sync/download_video.h"
#include "sync/failed_downloads.h"
#include "sync/sync_category.h"
#include "sync/video_versions.h"

#include <QLocale>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace zepril::test {

inline const Timings kTimings{.httpIdleTimeoutMs = 1000};

// A tiny body that passes for a video and carries a text to tell it apart.
inline QByteArray clip(const QByteArray& text) { return patterned(24) + text; }

class SyncTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QLocale::setDefault(QLocale::c());
        tree.mkdir("cfg");
        tree.mkdir("videos-auto/night");
    }
    void TearDown() override { QLocale::setDefault(QLocale::system()); }

    QString dest(const QString& name, const QString& category = QStringLiteral("night")) const
    {
        return joinPath(paths.categoryDir("videos-auto", category), name);
    }
    QString url(const QString& name) const { return server.baseUrl() + "/videos/night/" + name; }
    bool download(const QString& name) { return downloadVideo(dl, url(name), dest(name), name); }
    // The journal's paths (its first lines), without what is known of each.
    QStringList journal() const
    {
        QStringList items;
        readListFile(paths.errorIni(), items);
        return items.mid(0, items.indexOf(QRegularExpression(QStringLiteral("^\\[.*\\]$"))));
    }

    TempTree tree;
    ProgramPaths paths{tree.root()};
    TestHttpServer server;
    HttpTransfer transfer{kTimings}; // the main screen's HTTP engine, as in production
    RecordingReporter reporter;
    FakeProbe probe{true};
    FailedDownloads failed{paths};
    VideoVersions versions{paths.versionsIni()};
    DownloadContext dl{transfer, reporter, failed, 100, &versions};
    SyncContext syncCtx {
        paths,
        "videos-auto",
        parseServerAddress(server.baseUrl(), "http"),
        probe,
        reporter,
        failed,
        [this](const QString& u, const QString& d, const QString& n) { return downloadVideo(dl, u, d, n); },
        [](const QString& u) { return fetchHead(u, HttpOptions {.connectTimeoutMs = 1000, .idleTimeoutMs = 1000}); },
        &versions};
};

}

using namespace zepril;
using namespace zepril::test;
