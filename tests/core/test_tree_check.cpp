#include "core/tree_check.h"

#include <QDir>
#include <QFile>

#include "core_test.h"

namespace {

// The tree the package lays out: every folder, the example config, nothing to play.
void layOutPackagedTree(TempTree& tree, const QByteArray& config = "[Variables_Setup]\r\nmode_manuel=True\r\n")
{
    tree.write("cfg/config.ini", config);
    tree.mkdir("skin");
    for (const char* mode : {"videos-man", "videos-auto"})
        for (const char* dir : {"index", "restaurants", "plages", "night", "boutiques", "services", "documentaires"})
            tree.mkdir(QStringLiteral("%1/%2").arg(QLatin1String(mode), QLatin1String(dir)));
}

QString verdict(const QList<TreeFinding>& findings)
{
    QStringList lines;
    for (const TreeFinding& f : findings)
        lines << (f.severity == TreeFinding::Error ? "E " : "W ") + f.text;
    return lines.join('\n');
}

const QByteArray kFtpAccount = "[Serveurs]\r\nftp_password=secret\r\n";
const auto kOwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

}

TEST(TreeCheck, VerdictsOnATableOfTrees)
{
    const struct {
        const char* name;
        void (*make)(TempTree&);
        bool error;
        const char* mentions;
    } cases[] = {
        {"missing program directory", [](TempTree& t) { QDir(t.root()).removeRecursively(); }, true, "does not exist"},
        {"empty program directory", [](TempTree&) {}, true, "cfg is missing"},
        {"packaged tree, nothing to play", [](TempTree& t) { layOutPackagedTree(t); }, true, "screen would stay black"},
        {"one video in manual mode, no skin",
         [](TempTree& t) { layOutPackagedTree(t); t.write("videos-man/night/a.mp4", "x"); }, false,
         "logo.jpg is missing"},
        {"automatic mode without its folders",
         [](TempTree& t) {
             t.write("cfg/config.ini", "[Variables_Setup]\r\nmode_manuel=False\r\n");
             t.write("videos-man/night/a.mp4", "x");
         },
         true, "videos-auto/index is missing"},
        {"FTP account readable by everyone",
         [](TempTree& t) {
             layOutPackagedTree(t, kFtpAccount);
             t.write("videos-man/index/index_ga.mp4", "x");
             QFile::setPermissions(t.path("cfg/config.ini"), kOwnerOnly | QFileDevice::ReadOther);
         },
         false, "every user of this PC can read it"},
    };
    for (const auto& c : cases) {
        TempTree tree;
        c.make(tree);
        const auto findings = checkProgramTree(tree.root(), {QStringLiteral("taille_police=0: 40 is used")});
        const QString text = verdict(findings);
        EXPECT_EQ(hasErrors(findings), c.error) << c.name << "\n" << text;
        EXPECT_TRUE(text.contains(QLatin1String(c.mentions))) << c.name << "\n" << text;
        EXPECT_TRUE(!c.error || findings.first().severity == TreeFinding::Error) << "errors come first: " << c.name;
    }
    EXPECT_TRUE(hasErrors(checkProgramTree(QStringLiteral("  "))));

    TempTree secret;
    layOutPackagedTree(secret, kFtpAccount);
    QFile::setPermissions(secret.path("cfg/config.ini"), kOwnerOnly);
    EXPECT_FALSE(verdict(checkProgramTree(secret.root())).contains(QLatin1String("can read it")));
}
