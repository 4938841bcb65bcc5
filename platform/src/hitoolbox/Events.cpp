// Carbon events: the event object and its parameters, handler installation and removal, and
// dispatch to a target's handlers, newest first.
#include "hitoolbox/UIObjects.h"

#include <algorithm>
#include <cstring>
#include <unordered_set>

using namespace platform;
using namespace platform::ui;

struct OpaqueEventHandlerCallRef {
    OpaqueEventTargetRef* target = nullptr;
};

namespace platform::ui {
namespace {

std::string DescribeEvent(const RuntimeBase* object)
{
    const auto* event = static_cast<const OpaqueEventRef*>(object);
    return "<Event class " + std::to_string(event->eventClass) + " kind " + std::to_string(event->kind) + ">";
}

// Handlers installed and not yet removed, so that removing one twice (or after its window went
// away) is refused instead of touching freed memory.
std::unordered_set<const OpaqueEventHandlerRef*>& LiveHandlers()
{
    static std::unordered_set<const OpaqueEventHandlerRef*> handlers;
    return handlers;
}

}  // namespace

const RuntimeClass kEventClass{kEventTypeID, "Event", &FinalizeAs<OpaqueEventRef>, nullptr, nullptr, &DescribeEvent};

OpaqueEventRef* AsEvent(EventRef event)
{
    return IsType(event, kEventTypeID) ? static_cast<OpaqueEventRef*>(event) : nullptr;
}

void RemoveAllHandlers(OpaqueEventTargetRef* target)
{
    for (auto& handler : target->handlers) {
        handler->removed = true;
        LiveHandlers().erase(handler.get());
    }
    target->handlers.clear();
}

OSStatus SendWindowEvent(OpaqueWindowPtr* window, UInt32 eventClass, UInt32 kind, const HICommand* command)
{
    EventRef event = nullptr;
    OSStatus status = CreateEvent(nullptr, eventClass, kind, 0, kEventAttributeNone, &event);
    if (status != noErr) {
        return status;
    }
    if (command != nullptr) {
        status = SetEventParameter(event, kEventParamDirectObject, typeHICommand, sizeof(HICommand), command);
    }
    if (status == noErr) {
        status = SendEventToEventTarget(event, &window->target);
    }
    ReleaseEvent(event);
    return status;
}

}  // namespace platform::ui

bool OpaqueEventHandlerRef::Listens(UInt32 eventClass, UInt32 kind) const
{
    return std::any_of(types.begin(), types.end(), [&](const EventTypeSpec& wanted) {
        return wanted.eventClass == eventClass && wanted.eventKind == kind;
    });
}

extern "C" {

OSStatus CreateEvent(CFAllocatorRef inAllocator, UInt32 inClassID, UInt32 kind, EventTime when,
                     EventAttributes flags, EventRef* outEvent)
{
    if (outEvent == nullptr) {
        return paramErr;
    }
    OpaqueEventRef* event = CreateInstance<OpaqueEventRef>(inAllocator, kEventClass);
    *outEvent = event;
    if (event == nullptr) {
        return memFullErr;
    }
    event->eventClass = inClassID;
    event->kind = kind;
    event->when = when;
    return noErr;
}

EventRef RetainEvent(EventRef inEvent)
{
    if (AsEvent(inEvent) != nullptr) {
        CFRetain(inEvent);
    }
    return inEvent;
}

void ReleaseEvent(EventRef inEvent)
{
    if (AsEvent(inEvent) != nullptr) {
        AdoptCF(inEvent).Reset();
    }
}

UInt32 GetEventClass(EventRef inEvent)
{
    OpaqueEventRef* event = AsEvent(inEvent);
    return event != nullptr ? event->eventClass : 0;
}

UInt32 GetEventKind(EventRef inEvent)
{
    OpaqueEventRef* event = AsEvent(inEvent);
    return event != nullptr ? event->kind : 0;
}

OSStatus SetEventParameter(EventRef inEvent, EventParamName inName, EventParamType inType, ByteCount inSize,
                           const void* inDataPtr)
{
    OpaqueEventRef* event = AsEvent(inEvent);
    if (event == nullptr || (inSize > 0 && inDataPtr == nullptr)) {
        return paramErr;
    }
    std::string bytes(static_cast<const char*>(inDataPtr), inSize);
    event->parameters[inName] = {inType, std::move(bytes)};
    return noErr;
}

OSStatus GetEventParameter(EventRef inEvent, EventParamName inName, EventParamType inDesiredType,
                           EventParamType* outActualType, ByteCount inBufferSize, ByteCount* outActualSize,
                           void* outData)
{
    OpaqueEventRef* event = AsEvent(inEvent);
    if (event == nullptr) {
        return paramErr;
    }
    auto found = event->parameters.find(inName);
    if (found == event->parameters.end()) {
        return eventParameterNotFoundErr;
    }
    const auto& [type, bytes] = found->second;
    if (inDesiredType != typeWildCard && inDesiredType != type) {
        return eventParameterNotFoundErr;
    }
    if (outActualType != nullptr) {
        *outActualType = type;
    }
    if (outActualSize != nullptr) {
        *outActualSize = bytes.size();
    }
    if (outData == nullptr) {
        return noErr;
    }
    if (inBufferSize < bytes.size()) {
        return paramErr;
    }
    std::memcpy(outData, bytes.data(), bytes.size());
    return noErr;
}

OSStatus InstallEventHandler(EventTargetRef inTarget, EventHandlerUPP inHandler, ItemCount inNumTypes,
                             const EventTypeSpec* inList, void* inUserData, EventHandlerRef* outRef)
{
    if (outRef != nullptr) {
        *outRef = nullptr;
    }
    if (inTarget == nullptr || inHandler == nullptr || (inNumTypes > 0 && inList == nullptr)) {
        return paramErr;
    }
    auto handler = std::make_shared<OpaqueEventHandlerRef>();
    handler->target = inTarget;
    handler->proc = inHandler;
    handler->types.assign(inList, inList + inNumTypes);
    handler->userData = inUserData;
    inTarget->handlers.push_back(handler);
    LiveHandlers().insert(handler.get());
    if (outRef != nullptr) {
        *outRef = handler.get();
    }
    return noErr;
}

OSStatus RemoveEventHandler(EventHandlerRef inHandlerRef)
{
    if (LiveHandlers().erase(inHandlerRef) == 0) {
        return paramErr;
    }
    inHandlerRef->removed = true;
    auto& handlers = inHandlerRef->target->handlers;
    // The shared owner may be the last one: erasing it frees the record, so it is looked at first.
    handlers.erase(std::remove_if(handlers.begin(), handlers.end(),
                                  [inHandlerRef](const auto& each) { return each.get() == inHandlerRef; }),
                   handlers.end());
    return noErr;
}

OSStatus SendEventToEventTarget(EventRef inEvent, EventTargetRef inTarget)
{
    OpaqueEventRef* event = AsEvent(inEvent);
    if (event == nullptr || inTarget == nullptr) {
        return paramErr;
    }
    // Handlers may remove handlers or dispose the window while the event goes round: the window,
    // the event and each handler record stay alive until the dispatch is over.
    OpaqueWindowPtr* window = inTarget->window;
    CFOwner<OpaqueWindowPtr*> keptWindow = RetainCF(window);
    CFOwner<EventRef> keptEvent = RetainCF(inEvent);
    const std::vector<std::shared_ptr<OpaqueEventHandlerRef>> handlers = inTarget->handlers;
    OpaqueEventHandlerCallRef call{inTarget};
    OSStatus status = eventNotHandledErr;
    for (auto it = handlers.rbegin(); it != handlers.rend() && !window->disposed; ++it) {
        const OpaqueEventHandlerRef& handler = **it;
        if (handler.removed || !handler.Listens(event->eventClass, event->kind)) {
            continue;
        }
        status = handler.proc(&call, inEvent, handler.userData);
        if (status != eventNotHandledErr) {
            break;
        }
    }
    return status;
}

}  // extern "C"
