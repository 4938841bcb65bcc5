// Standard alerts: the default parameters, the answer a driver gives, and the cancelled answer
// when nobody can give one.
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

TEST(StandardAlertTest, DefaultsHaveOneOKButton)
{
    AlertStdCFStringAlertParamRec param{};
    ASSERT_EQ(GetStandardAlertDefaultParams(&param, kStdCFStringAlertVersionOne), noErr);
    EXPECT_EQ(param.version, static_cast<UInt32>(kStdCFStringAlertVersionOne));
    EXPECT_FALSE(param.movable);
    EXPECT_EQ(param.defaultText, kAlertDefaultOKText);
    EXPECT_EQ(param.cancelText, nullptr);
    EXPECT_EQ(param.defaultButton, kAlertStdAlertOKButton);
    EXPECT_EQ(param.cancelButton, 0);
    EXPECT_EQ(param.position, kWindowDefaultPosition);
    EXPECT_EQ(GetStandardAlertDefaultParams(&param, 2), paramErr);
    EXPECT_EQ(GetStandardAlertDefaultParams(nullptr, kStdCFStringAlertVersionOne), paramErr);
}

TEST(StandardAlertTest, DriverSeesTheAlertAndItsAnswerIsReturned)
{
    AlertAnswerer answerer;
    answerer.waitSteps = 3;
    ScopedUIDriver installed(answerer.Interface());
    DialogItemIndex itemHit = 0;
    EXPECT_EQ(ShowAlert("An error occurred while saving the clip.", nullptr, &itemHit), noErr);
    EXPECT_EQ(itemHit, kAlertStdAlertOKButton);
    EXPECT_EQ(answerer.message, "An error occurred while saving the clip.");
    EXPECT_EQ(answerer.defaultText, "OK");
    EXPECT_EQ(answerer.cancelText, "-");
    EXPECT_EQ(answerer.cancelButton, 0);

    answerer.answer = kAlertStdAlertCancelButton;
    EXPECT_EQ(ShowAlert("Delete?", "Keep", &itemHit), noErr);
    EXPECT_EQ(itemHit, kAlertStdAlertCancelButton);
    EXPECT_EQ(answerer.cancelText, "Keep");
    EXPECT_EQ(answerer.cancelButton, kAlertStdAlertCancelButton);
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
