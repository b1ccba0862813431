#include "MessagePump.h"

#include <QCoreApplication>

namespace MessagePump {

void processPendingEvents()
{
    if (QCoreApplication::instance())
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}

} // namespace MessagePump
