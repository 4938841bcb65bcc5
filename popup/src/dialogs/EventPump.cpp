#include "dialogs/EventPump.h"

#include <QEventLoop>
#include <QTimer>

#include <utility>

namespace popup {

void EventPump::Run(int milliseconds)
{
    QEventLoop loop;
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    limit.start(milliseconds);
    QEventLoop* outer = std::exchange(mInnermost, &loop);
    loop.exec();
    mInnermost = outer;
}

void EventPump::Wake()
{
    if (mInnermost != nullptr)
        mInnermost->quit();
}

}  // namespace popup
