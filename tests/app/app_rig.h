#pragma once
// A program directory with its config pointing at a local test server, and the
// doubles of the app room's tests.
#include "core/program_paths.h"
#include "core/startup_reporter.h"
#include "net/transfer_control.h"
#include "support/core_fakes.h"
#include "support/http_test_server.h"
#include "support/temp_tree.h"

namespace zepril::test {

// For start-ups that must not download: every request fails and is counted.
class RefusingTransfer final : public TransferControl {
public:
    void setProtocol(int) override {}
    void setRemotePort(int) override {}
    void setUrl(const QString&) override {}
    QString url() const override { return {}; }
    void setUserName(const QString&) override {}
    void setPassword(const QString&) override {}
    void setRequestTimeout(int) override {}
    bool execute(const QString& op, const QString&) override { executed << op; return false; }
    bool stillExecuting() const override { return false; }
    QByteArray getChunk(int) override { return {}; }
    QString getHeader(const QString&) const override { return {}; }
    int responseCode() const override { return 0; }
    bool succeeded() const override { return false; }
    QString lastError() const override { return QStringLiteral("refused in tests"); }
    QStringList executed;
};

struct ProgramDir {
    TempTree tree;
    TestHttpServer server;

    ProgramDir()
    {
        for (const char* dir : {"cfg", "skin", "videos-man/index", "videos-auto/index"})
            tree.mkdir(QLatin1String(dir));
        for (const char* cat : {"restaurants", "plages", "night", "boutiques", "services", "documentaires"}) {
            tree.mkdir(QStringLiteral("videos-man/") + QLatin1String(cat));
            tree.mkdir(QStringLiteral("videos-auto/") + QLatin1String(cat));
        }
    }
    ProgramPaths paths() const { return ProgramPaths(tree.root()); }
    void config(const QString& variables)
    {
        const QString local = "127.0.0.1:" + QString::number(server.port());
        tree.write("cfg/config.ini", ("[Variables_Setup]\r\n" + variables + "\r\n[Serveurs]\r\nmaj=" + local + "\r\nvideos="
                                      + local + "\r\nmeteo=" + local + "\r\nftp=127.0.0.1:" + QString::number(unusedLocalPort()) + "\r\n")
                                         .toUtf8());
    }
};

}
