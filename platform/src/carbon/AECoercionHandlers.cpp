// The table of installed coercion handlers. Process-wide, as on the original system, and guarded
// because any thread may coerce.
#include "carbon/AECoercionHandlers.h"

#include <map>
#include <mutex>
#include <utility>

namespace {

struct InstalledHandler {
    AECoercionHandlerUPP handler;
    void* refcon;
};

std::mutex gHandlersLock;

std::map<std::pair<DescType, DescType>, InstalledHandler>& Handlers()
{
    static auto* handlers = new std::map<std::pair<DescType, DescType>, InstalledHandler>;
    return *handlers;
}

}  // namespace

OSErr AEInstallCoercionHandler(DescType fromType, DescType toType, AECoercionHandlerUPP handler, void* handlerRefcon,
                               Boolean fromTypeIsDesc, Boolean isSysHandler)
{
    if (handler == nullptr || !fromTypeIsDesc) {
        return paramErr;
    }
    try {
        std::lock_guard<std::mutex> hold(gHandlersLock);
        Handlers()[{fromType, toType}] = InstalledHandler{handler, handlerRefcon};
    } catch (const std::bad_alloc&) {
        return memFullErr;
    }
    return noErr;
}

OSErr AERemoveCoercionHandler(DescType fromType, DescType toType, AECoercionHandlerUPP handler, Boolean isSysHandler)
{
    std::lock_guard<std::mutex> hold(gHandlersLock);
    auto found = Handlers().find({fromType, toType});
    if (found == Handlers().end() || found->second.handler != handler) {
        return errAEHandlerNotFound;
    }
    Handlers().erase(found);
    return noErr;
}

namespace platform {

bool RunInstalledCoercion(const AEDesc* from, DescType toType, AEDesc* result, OSErr* status)
{
    InstalledHandler installed{};
    {
        std::lock_guard<std::mutex> hold(gHandlersLock);
        auto found = Handlers().find({from->descriptorType, toType});
        if (found == Handlers().end()) {
            return false;
        }
        installed = found->second;
    }
    // Called outside the lock: a handler may coerce in turn.
    AEDesc made{typeNull, nullptr};
    *status = installed.handler(from, toType, installed.refcon, &made);
    if (*status != noErr) {
        AEDisposeDesc(&made);
    }
    *result = made;
    return true;
}

}  // namespace platform
