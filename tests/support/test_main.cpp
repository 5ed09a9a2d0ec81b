// One main for every test program. The ground floor's get a QCoreApplication, so that
// they run without a display and never load a platform plugin; the others a
// QApplication (offscreen unless a display is asked for) for widgets and event loops.
#ifdef ZEPRIL_CORE_TESTS
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#else
#include <QApplication>
using TestApplication = QApplication;
#endif
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    TestApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
