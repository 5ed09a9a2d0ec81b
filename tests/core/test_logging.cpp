#include "core/logging.h"

#include <gtest/gtest.h>

using namespace zepril;

TEST(Logging, JournalLinesCarryTheirPriorityAndTerminalLinesATime)
{
    const QMessageLogContext context(nullptr, 0, nullptr, "zepril.sync");
    installLogFormat(true);
    EXPECT_EQ(qFormatLogMessage(QtWarningMsg, context, QStringLiteral("x")), "<4>zepril.sync: x");
    EXPECT_EQ(qFormatLogMessage(QtCriticalMsg, context, QStringLiteral("x")), "<3>zepril.sync: x");
    EXPECT_EQ(qFormatLogMessage(QtInfoMsg, context, QStringLiteral("x")), "<6>zepril.sync: x");
    EXPECT_EQ(qFormatLogMessage(QtDebugMsg, context, QStringLiteral("x")), "<7>zepril.sync: x");

    installLogFormat(false);
    const QString line = qFormatLogMessage(QtWarningMsg, context, QStringLiteral("x"));
    EXPECT_TRUE(line.endsWith(QStringLiteral(" W zepril.sync: x"))) << line.toStdString();
    EXPECT_FALSE(line.startsWith('<'));
}
