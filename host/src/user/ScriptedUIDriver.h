// The scripted user of `--dialog JSON` and `--alert ok`: answers each dialog from the next script
// entry and each alert with the scripted button, and keeps what every dialog and alert showed for
// the report. Installed as the process's UI driver (PlatformUIDriver.h) while the host runs.
#pragma once

#include "user/DialogReport.h"

#include "Result.h"

#include <PlatformUIDriver.h>

#include <nlohmann/json.hpp>

#include <optional>
#include <string>
#include <vector>

namespace cmhost {

// One `--dialog` object. Absent fields keep what the dialog showed; the button defaults to "ok".
struct DialogAnswer {
    std::optional<std::string> name;
    std::optional<std::string> submenu;
    std::optional<bool> secure;
    std::optional<bool> plainText;
    std::string button = "ok";  // "ok", "cancel" or "close"
};

// Reads one `--dialog` JSON object. Fails with paramErr and a one-line reason when it is not valid
// JSON, not an object, has a field of the wrong type, an unknown field or an unknown button.
platform::Result<DialogAnswer> ParseDialogAnswer(const std::string& text);

class ScriptedUIDriver {
public:
    // alertButton: "ok" or "cancel" answers every alert so; nullopt leaves alerts unanswered, which
    // the platform reports as cancelled.
    ScriptedUIDriver(std::vector<DialogAnswer> dialogs, std::optional<std::string> alertButton);

    // The driver to install; it refers to this object, which must outlive the installation.
    PlatformUIDriver Interface();

    const std::vector<DialogReport>& Dialogs() const { return mDialogs; }
    const std::vector<AlertReport>& Alerts() const { return mAlerts; }
    // The "dialogs" and "alerts" arrays of `choose --json`.
    nlohmann::ordered_json DialogsJson() const { return cmhost::DialogsJson(mDialogs); }
    nlohmann::ordered_json AlertsJson() const { return cmhost::AlertsJson(mAlerts); }

private:
    static PlatformUIDriverAnswer StepWindow(void* context, WindowRef window, UInt32 step);
    static PlatformUIDriverAnswer StepAlert(void* context, const PlatformUIAlert* alert, UInt32 step,
                                            DialogItemIndex* itemHit);
    void AnswerWindow(WindowRef window);

    std::vector<DialogAnswer> mScript;
    size_t mNextAnswer = 0;
    std::optional<std::string> mAlertButton;
    std::vector<DialogReport> mDialogs;
    std::vector<AlertReport> mAlerts;
};

}  // namespace cmhost
