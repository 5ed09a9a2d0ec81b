#include "core/event_wait.h"

#include <QCoreApplication>

namespace zepril {

void letEventsRun()
{
    QCoreApplication::processEvents();
}

}
