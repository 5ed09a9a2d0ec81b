#include "core/program_paths.h"

#include "qt_print.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

using namespace zepril;

TEST(ProgramPaths, EveryFileHangsOffTheProgramDirectory)
{
    const ProgramPaths p(QStringLiteral("/opt/zepril"));
    EXPECT_EQ(p.configIni(), "/opt/zepril/cfg/config.ini");
    EXPECT_EQ(p.textesIni(), "/opt/zepril/cfg/textes.ini");
    EXPECT_EQ(p.errorIni(), "/opt/zepril/cfg/error.ini");
    EXPECT_EQ(p.meteoXml(), "/opt/zepril/cfg/meteo.xml");
    EXPECT_EQ(p.urlDat(), "/opt/zepril/cfg/url.dat");
    EXPECT_EQ(p.categoryListFile("documentaires"), "/opt/zepril/cfg/documentaires.ini");
    EXPECT_EQ(p.skinFile("back.jpg"), "/opt/zepril/skin/back.jpg");
    EXPECT_EQ(p.categoryDir("videos-auto", "night"), "/opt/zepril/videos-auto/night");
    EXPECT_EQ(p.itemPath("videos-man", "index/index_ga.avi"), "/opt/zepril/videos-man/index/index_ga.avi");
}

TEST(ProgramPaths, ZeprilHomeNamesTheProgramDirectory)
{
    const QByteArray saved = qgetenv("ZEPRIL_HOME");
    const bool wasSet = qEnvironmentVariableIsSet("ZEPRIL_HOME");

    qputenv("ZEPRIL_HOME", "/srv/kiosk/zepril/");
    EXPECT_EQ(programDirectory(), "/srv/kiosk/zepril");
    qunsetenv("ZEPRIL_HOME");
    EXPECT_EQ(programDirectory(), QCoreApplication::applicationDirPath());

    if (wasSet)
        qputenv("ZEPRIL_HOME", saved);
}
