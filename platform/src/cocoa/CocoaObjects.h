// Bookkeeping shared by the Cocoa classes of the platform: the count of live objects, which the
// tests compare before and after each case.
#pragma once

namespace platform {

void CountCocoaObjectMade();
void CountCocoaObjectDeleted();

}  // namespace platform
