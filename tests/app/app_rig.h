#pragma once
// A program directory with its config pointing at a local test server.
#include "core/list_file.h"
#include "core/program_paths.h"
#include "support/core_fakes.h"
#include "support/http_test_server.h"
#include "support/temp_tree.h"

#include <QRegularExpression>

namespace zepril::test {

struct ProgramDir {
    TempTree tree;
    TestHttpServer server;

    ProgramDir()
    {
        for (const char* dir : {"cfg", "skin", "videos-man/index", "videos-auto/index"})
            tree.mkdir(QLatin1String(dir));
        for (const char* cat : {"restaurants", "plages", "night", "boutiques", "services", "documentaires"})
            for (const char* root : {"videos-man/", "videos-auto/"})
                tree.mkdir(QString::fromLatin1(root) + QLatin1String(cat));
    }
    ProgramPaths paths() const { return ProgramPaths(tree.root()); }
    // The journal's paths: its lines before the first "[section]".
    QStringList journal() const
    {
        QStringList lines;
        readListFile(paths().errorIni(), lines);
        return lines.mid(0, lines.indexOf(QRegularExpression(QStringLiteral("^\\[.*\\]$"))));
    }
    void config(const QString& variables)
    {
        const QString local = "127.0.0.1:" + QString::number(server.port());
        tree.write("cfg/config.ini", ("[Variables_Setup]\r\n" + variables + "\r\n[Serveurs]\r\nmaj=" + local + "\r\nvideos="
                                      + local + "\r\nmeteo=" + local + "\r\nftp=127.0.0.1:" + QString::number(unusedLocalPort())
                                      + "\r\n[Supervision]\r\ntextfile_dir=" + tree.path("collector") + "\r\n")
                                         .toUtf8());
    }
};

}

using namespace zepril;
using namespace zepril::test;
