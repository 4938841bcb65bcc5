// What the submenu tree holds: submenu nodes and command leaves, told apart by IsSubmenu and
// deleted through the virtual destructor by whichever node owns them.
#pragma once

#include <MacTypes.h>

class AbstractMenuItem {
public:
    AbstractMenuItem() = default;
    virtual ~AbstractMenuItem() = default;
    AbstractMenuItem(const AbstractMenuItem&) = delete;
    AbstractMenuItem& operator=(const AbstractMenuItem&) = delete;

    virtual Boolean IsSubmenu() const = 0;
};
