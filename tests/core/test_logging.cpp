#include "core/logging.h"

#include "core_test.h"

TEST(Logging, JournalLinesCarryTheirPriorityAndTerminalLinesATime)
{
    const QMessageLogContext context(nullptr, 0, nullptr, "zepril.sync");
    installLogFormat(true);
    for (const auto& [type, line] : {std::pair{QtWarningMsg, "<4>zepril.sync: x"}, {QtCriticalMsg, "<3>zepril.sync: x"},
                                     {QtInfoMsg, "<6>zepril.sync: x"}, {QtDebugMsg, "<7>zepril.sync: x"}})
        EXPECT_EQ(qFormatLogMessage(type, context, QStringLiteral("x")), line);
    installLogFormat(false);
    const QString line = qFormatLogMessage(QtWarningMsg, context, QStringLiteral("x"));
    EXPECT_TRUE(line.endsWith(QStringLiteral(" W zepril.sync: x")) && !line.startsWith('<')) << line.toStdString();
}
