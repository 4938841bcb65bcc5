// Standard alerts: the cancelled answer when nobody can give a proper one, and bad arguments.
#include "platform/hitoolbox/HIToolboxTestSupport.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

using namespace hitoolboxtest;

// Answers every alert with one button, after noting what the alert showed.
struct AlertAnswerer {
    DialogItemIndex answer = kAlertStdAlertOKButton;
    UInt32 waitSteps = 0;
    int alerts = 0;
    std::string message;
    std::string defaultText;
    std::string cancelText;
    DialogItemIndex cancelButton = 99;

    static PlatformUIDriverAnswer Step(void* context, const PlatformUIAlert* alert, UInt32 step, DialogItemIndex* itemHit)
    {
        auto* self = static_cast<AlertAnswerer*>(context);
        if (step < self->waitSteps) {
            return kPlatformUIDriverContinue;
        }
        ++self->alerts;
        self->message = TextOf(alert->message);
        self->defaultText = TextOf(alert->defaultText);
        self->cancelText = alert->cancelText != nullptr ? TextOf(alert->cancelText) : "-";
        self->cancelButton = alert->cancelButton;
        *itemHit = self->answer;
        return kPlatformUIDriverDone;
    }
    PlatformUIDriver Interface() { return PlatformUIDriver{this, nullptr, &Step, nullptr}; }
};

// The alert as the plug-in's DisplayAlert asks for it; itemHit starts at 2 as there.
OSStatus ShowAlert(const char* message, const char* cancelText, DialogItemIndex* itemHit)
{
    AlertStdCFStringAlertParamRec param;
    EXPECT_EQ(GetStandardAlertDefaultParams(&param, kStdCFStringAlertVersionOne), noErr);
    param.movable = true;
    auto cancel = AdoptCF<CFStringRef>(cancelText != nullptr ? MakeString(cancelText) : nullptr);
    if (cancelText != nullptr) {
        param.cancelText = cancel.Get();
        param.cancelButton = kAlertStdAlertCancelButton;
    }
    auto text = AdoptCF<CFStringRef>(MakeString(message));
    DialogRef alert = nullptr;
    OSStatus status = CreateStandardAlert(kAlertStopAlert, text.Get(), nullptr, &param, &alert);
    if (status != noErr) {
        return status;
    }
    *itemHit = 2;
    return RunStandardAlert(alert, nullptr, itemHit);
}

// An answer naming a button the alert lacks, no driver, and a driver that only plays windows all
// end the alert as cancelled: with the cancel button when there is one.
TEST(StandardAlertTest, AlertsNobodyAnswersProperlyAreCancelled)
{
    AlertAnswerer missingButton;
    missingButton.answer = kAlertStdAlertOtherButton;
    const std::optional<PlatformUIDriver> drivers[] = {
        missingButton.Interface(),
        std::nullopt,
        PlatformUIDriver{nullptr, [](void*, WindowRef, UInt32) { return kPlatformUIDriverDone; }, nullptr, nullptr},
    };
    for (const std::optional<PlatformUIDriver>& driver : drivers) {
        SCOPED_TRACE(&driver - drivers);
        std::optional<ScopedUIDriver> installed;
        if (driver) {
            installed.emplace(*driver);
        }
        DialogItemIndex itemHit = 0;
        EXPECT_EQ(ShowAlert("Message", nullptr, &itemHit), userCanceledErr);
        EXPECT_EQ(itemHit, 0);
        EXPECT_EQ(ShowAlert("Message", "Cancel", &itemHit), userCanceledErr);
        EXPECT_EQ(itemHit, kAlertStdAlertCancelButton);
    }
}

TEST(StandardAlertTest, BadArgumentsAndAlertsNeverRun)
{
    DialogRef alert = reinterpret_cast<DialogRef>(1);
    EXPECT_EQ(CreateStandardAlert(kAlertStopAlert, nullptr, nullptr, nullptr, &alert), paramErr);
    EXPECT_EQ(alert, nullptr);
    auto message = AdoptCF<CFStringRef>(MakeString("Message"));
    ASSERT_EQ(CreateStandardAlert(kAlertNoteAlert, message.Get(), message.Get(), nullptr, &alert), noErr);
    DisposeDialog(alert);
    EXPECT_EQ(RunStandardAlert(nullptr, nullptr, nullptr), paramErr);
}

}  // namespace
