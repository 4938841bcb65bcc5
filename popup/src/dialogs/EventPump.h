// Letting the person act while a platform loop waits: Qt's events are processed for a short while,
// or until something the person did needs the platform's attention, and then the platform's own
// loop goes on (its run-loop timers fire) before the next step asks again.
#pragma once

class QEventLoop;

namespace popup {

class EventPump {
public:
    EventPump() = default;
    EventPump(const EventPump&) = delete;
    EventPump& operator=(const EventPump&) = delete;

    // Processes Qt events for at most milliseconds; returns sooner once Wake is called. Pumps may
    // nest (an alert shown by a button's handler pumps inside the dialog's pump).
    void Run(int milliseconds);
    // Ends the innermost Run now: the platform has something to act on.
    void Wake();

private:
    QEventLoop* mInnermost = nullptr;
};

}  // namespace popup
