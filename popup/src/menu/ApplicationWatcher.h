// A watcher of every event the application gets while it exists. The open menu has the keyboard and
// the pointer, and Qt hands what it gets to the list under it: what the menu as a whole must see of
// a key or a move is seen here first. Qt asks the watcher made last first.
#pragma once

#include <QCoreApplication>
#include <QObject>

namespace popup {

class ApplicationWatcher : public QObject {
public:
    ApplicationWatcher()
    {
        if (QCoreApplication* application = QCoreApplication::instance())
            application->installEventFilter(this);
    }
    ~ApplicationWatcher() override
    {
        if (QCoreApplication* application = QCoreApplication::instance())
            application->removeEventFilter(this);
    }
    ApplicationWatcher(const ApplicationWatcher&) = delete;
    ApplicationWatcher& operator=(const ApplicationWatcher&) = delete;
};

}  // namespace popup
