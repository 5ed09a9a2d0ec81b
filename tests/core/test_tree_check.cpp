#include "core/tree_check.h"

#include "support/temp_tree.h"

#include <QDir>
#include <QFile>

#include <functional>

#include <gtest/gtest.h>

using namespace zepril;
using zepril::test::TempTree;

namespace {

// The tree the package lays out: every folder, the example config, nothing to play.
void layOutPackagedTree(TempTree& tree, const QByteArray& config = "[Variables_Setup]\r\nmode_manuel=True\r\n")
{
    tree.write(QStringLiteral("cfg/config.ini"), config);
    tree.mkdir(QStringLiteral("skin"));
    for (const char* mode : {"videos-man", "videos-auto"})
        for (const char* dir : {"index", "restaurants", "plages", "night", "boutiques", "services", "documentaires"})
            tree.mkdir(QStringLiteral("%1/%2").arg(QLatin1String(mode), QLatin1String(dir)));
}

QString verdict(const QList<TreeFinding>& findings)
{
    QStringList lines;
    for (const TreeFinding& f : findings)
        lines << (f.severity == TreeFinding::Error ? QStringLiteral("E ") : QStringLiteral("W ")) + f.text;
    return lines.join('\n');
}

}

TEST(TreeCheck, VerdictsOnATableOfTrees)
{
    struct Case {
        const char* name;
        std::function<void(TempTree&)> make;
        bool error;
        const char* mentions;
    };
    const Case cases[] = {
        {"missing program directory", [](TempTree& t) { QDir(t.root()).removeRecursively(); }, true, "does not exist"},
        {"empty program directory", [](TempTree&) {}, true, "cfg is missing"},
        {"packaged tree, nothing to play", [](TempTree& t) { layOutPackagedTree(t); }, true, "screen would stay black"},
        {"one video in manual mode, no skin",
         [](TempTree& t) {
             layOutPackagedTree(t);
             t.write(QStringLiteral("videos-man/night/a.mp4"), "x");
         },
         false, "logo.jpg is missing"},
        {"automatic mode without its folders",
         [](TempTree& t) {
             t.write(QStringLiteral("cfg/config.ini"), "[Variables_Setup]\r\nmode_manuel=False\r\n");
             t.write(QStringLiteral("videos-man/night/a.mp4"), "x");
         },
         true, "videos-auto/index is missing"},
        {"FTP account readable by everyone",
         [](TempTree& t) {
             layOutPackagedTree(t, "[Serveurs]\r\nftp_password=secret\r\n");
             t.write(QStringLiteral("videos-man/index/index_ga.mp4"), "x");
             QFile::setPermissions(t.path(QStringLiteral("cfg/config.ini")),
                                   QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadOther);
         },
         false, "every user of this PC can read it"},
    };
    for (const Case& c : cases) {
        TempTree tree;
        c.make(tree);
        const auto findings = checkProgramTree(tree.root(), {QStringLiteral("taille_police=0: 40 is used")});
        const QString text = verdict(findings);
        EXPECT_EQ(hasErrors(findings), c.error) << c.name << "\n" << text.toStdString();
        EXPECT_TRUE(text.contains(QLatin1String(c.mentions))) << c.name << "\n" << text.toStdString();
        if (c.error) {
            EXPECT_EQ(findings.first().severity, TreeFinding::Error) << "errors come first: " << c.name;
        }
    }
    EXPECT_TRUE(hasErrors(checkProgramTree(QStringLiteral("  "))));

    TempTree secret;
    layOutPackagedTree(secret, "[Serveurs]\r\nftp_password=secret\r\n");
    QFile::setPermissions(secret.path(QStringLiteral("cfg/config.ini")), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    EXPECT_FALSE(verdict(checkProgramTree(secret.root())).contains(QLatin1String("can read it")));
}
