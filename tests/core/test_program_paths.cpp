#include "core/program_paths.h"

#include <QCoreApplication>

#include "core_test.h"

TEST(ProgramPaths, ZeprilHomeNamesTheProgramDirectory)
{
    const QByteArray saved = qgetenv("ZEPRIL_HOME");
    qputenv("ZEPRIL_HOME", "/srv/kiosk/zepril/");
    EXPECT_EQ(programDirectory(), "/srv/kiosk/zepril");
    qunsetenv("ZEPRIL_HOME");
    EXPECT_EQ(programDirectory(), QCoreApplication::applicationDirPath());
    if (!saved.isNull())
        qputenv("ZEPRIL_HOME", saved);
}
