// The front process. This process is the only real one; the host may name other applications as
// being in front, and those may be brought forward again.
#include <Carbon/Processes.h>
#include <PlatformUIDriver.h>

#include <unistd.h>

#include <mutex>
#include <optional>
#include <set>
#include <utility>

namespace {

using Number = std::pair<UInt32, UInt32>;

// The calling process: the high word 1 keeps it apart from the special numbers (kNoProcess,
// kSystemProcess, kCurrentProcess), which all have the high word 0.
Number CurrentNumber()
{
    return {1, static_cast<UInt32>(::getpid())};
}

Number Resolve(const ProcessSerialNumber& psn)
{
    if (psn.highLongOfPSN == 0 && psn.lowLongOfPSN == kCurrentProcess) {
        return CurrentNumber();
    }
    return {psn.highLongOfPSN, psn.lowLongOfPSN};
}

struct FrontState {
    std::mutex mutex;
    std::optional<Number> front;  // unset: this process
    std::set<Number> others;      // applications the host has named
};

FrontState& State()
{
    static FrontState state;
    return state;
}

}  // namespace

extern "C" {

OSErr GetFrontProcess(ProcessSerialNumber* PSN)
{
    if (PSN == nullptr) {
        return paramErr;
    }
    FrontState& state = State();
    std::lock_guard<std::mutex> lock(state.mutex);
    Number front = state.front.value_or(CurrentNumber());
    *PSN = {front.first, front.second};
    return noErr;
}

OSErr SetFrontProcess(const ProcessSerialNumber* PSN)
{
    if (PSN == nullptr) {
        return paramErr;
    }
    Number wanted = Resolve(*PSN);
    FrontState& state = State();
    std::lock_guard<std::mutex> lock(state.mutex);
    if (wanted != CurrentNumber() && state.others.count(wanted) == 0) {
        return procNotFound;
    }
    state.front = wanted;
    return noErr;
}

OSErr SameProcess(const ProcessSerialNumber* PSN1, const ProcessSerialNumber* PSN2, Boolean* result)
{
    if (PSN1 == nullptr || PSN2 == nullptr || result == nullptr) {
        return paramErr;
    }
    *result = Resolve(*PSN1) == Resolve(*PSN2);
    return noErr;
}

void PlatformSetFrontProcess(const ProcessSerialNumber* psn)
{
    Number front = psn != nullptr ? Resolve(*psn) : CurrentNumber();
    FrontState& state = State();
    std::lock_guard<std::mutex> lock(state.mutex);
    if (front != CurrentNumber()) {
        state.others.insert(front);
    }
    state.front = front;
}

}  // extern "C"
