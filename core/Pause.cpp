#include "core/Pause.h"

#include <QEventLoop>
#include <QTimer>

namespace velumbra {

void EventLoopPause::run(int ms)
{
    if (ms <= 0) return;
    QEventLoop loop;
    QTimer end;
    end.setSingleShot(true);
    end.setTimerType(Qt::PreciseTimer);
    QObject::connect(&end, &QTimer::timeout, &loop, &QEventLoop::quit);
    end.start(ms); // a precise timer never ends the wait early
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

} // namespace velumbra
