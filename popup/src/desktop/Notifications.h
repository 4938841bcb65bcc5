// Desktop notifications, through the notification service on the session bus: how the popup tells
// what a pick did once its menu has gone. A desktop without the service, or without a session bus,
// simply hears nothing.
#pragma once

#include <string>
#include <vector>

namespace popup {

// Each sentence in a notification of its own from "Stashwell", the sentence as its summary. Waits
// for the service's answers at most about a second in all (a service that hangs cannot keep the popup
// from ending); what the service answers, or does not, changes nothing. The number of notifications
// the service took.
int ShowNotifications(const std::vector<std::string>& sentences);

}  // namespace popup
