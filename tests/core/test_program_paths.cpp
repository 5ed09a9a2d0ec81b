#include "core/program_paths.h"

#include "support/qt_print.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

using namespace zepril;

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
