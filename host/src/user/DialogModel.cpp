#include "user/DialogModel.h"

#include "CFOwner.h"
#include "common/TextConversion.h"

#include <algorithm>
#include <cmath>

namespace cmhost {
namespace {

std::string UTF8Of(CFStringRef string)
{
    return string != nullptr ? UTF8FromString(string) : std::string();
}

std::vector<std::string> ComboChoices(ControlRef combo)
{
    std::vector<std::string> choices;
    platform::CFOwner<CFArrayRef> items = platform::AdoptCF(PlatformUICopyComboBoxItems(combo));
    for (CFIndex i = 0; items && i < CFArrayGetCount(items.Get()); ++i) {
        CFTypeRef item = CFArrayGetValueAtIndex(items.Get(), i);
        if (item != nullptr && CFGetTypeID(item) == CFStringGetTypeID())
            choices.push_back(UTF8FromString(static_cast<CFStringRef>(item)));
    }
    return choices;
}

double Middle(const DialogControl& control)
{
    return control.info.frameInWindow.origin.y + control.info.frameInWindow.size.height / 2;
}

bool InOneRow(const DialogControl& a, const DialogControl& b)
{
    return cmhost::InOneRow(Middle(a), a.info.frameInWindow.size.height, Middle(b), b.info.frameInWindow.size.height);
}

// Rows from top to bottom: each row starts with the highest control not yet placed and takes every
// control in one row with it; within a row, left to right. Ties keep the window's order.
std::vector<DialogControl> InReadingOrder(std::vector<DialogControl> controls)
{
    std::stable_sort(controls.begin(), controls.end(),
                     [](const DialogControl& a, const DialogControl& b) { return Middle(a) < Middle(b); });
    std::vector<DialogControl> ordered;
    std::vector<bool> placed(controls.size(), false);
    for (size_t first = 0; first < controls.size(); ++first) {
        if (placed[first])
            continue;
        const size_t rowStart = ordered.size();
        const int row = rowStart == 0 ? 0 : ordered.back().row + 1;
        for (size_t i = first; i < controls.size(); ++i) {
            if (!placed[i] && (i == first || InOneRow(controls[first], controls[i]))) {
                placed[i] = true;
                ordered.push_back(controls[i]);
                ordered.back().row = row;
            }
        }
        std::stable_sort(ordered.begin() + static_cast<std::ptrdiff_t>(rowStart), ordered.end(),
                         [](const DialogControl& a, const DialogControl& b) {
                             return a.info.frameInWindow.origin.x < b.info.frameInWindow.origin.x;
                         });
    }
    return ordered;
}

}  // namespace

bool InOneRow(double middleA, double heightA, double middleB, double heightB)
{
    return std::fabs(middleA - middleB) * 2 < std::min(heightA, heightB);
}

std::string ControlText(ControlRef control)
{
    return UTF8Of(platform::AdoptCF(PlatformUICopyControlText(control)).Get());
}

ButtonRole DialogControl::Role() const
{
    if (info.kind != kPlatformControlPushButton)
        return ButtonRole::Other;
    if (info.command == kHICommandCancel)
        return ButtonRole::Reject;
    if (info.command == kHICommandOK || info.isDefault)
        return ButtonRole::Accept;
    return ButtonRole::Other;
}

DialogModel::DialogModel(WindowRef window)
{
    mName = UTF8Of(platform::AdoptCF(PlatformUICopyWindowName(window)).Get());
    CFStringRef title = nullptr;
    if (CopyWindowTitleAsCFString(window, &title) == noErr)
        mTitle = UTF8Of(platform::AdoptCF(title).Get());
    std::vector<DialogControl> controls;
    const CFIndex count = PlatformUIGetControlCount(window);
    for (CFIndex i = 0; i < count; ++i) {
        DialogControl each;
        each.control = PlatformUIGetControlAtIndex(window, i);
        if (!PlatformUIGetControlInfo(each.control, &each.info) || each.info.kind == kPlatformControlRootView ||
            each.info.kind == kPlatformControlContentView)
            continue;
        each.title = UTF8Of(platform::AdoptCF(PlatformUICopyControlTitle(each.control)).Get());
        each.text = ControlText(each.control);
        if (each.info.kind == kPlatformControlComboBox)
            each.choices = ComboChoices(each.control);
        controls.push_back(std::move(each));
    }
    mControls = InReadingOrder(std::move(controls));
}

const DialogControl* DialogModel::DefaultButton() const
{
    for (const DialogControl& each : mControls)
        if (each.info.kind == kPlatformControlPushButton && each.info.isDefault && each.Shown())
            return &each;
    return nullptr;
}

const DialogControl* DialogModel::CancelButton() const
{
    for (const DialogControl& each : mControls)
        if (each.Role() == ButtonRole::Reject && each.Shown())
            return &each;
    return nullptr;
}

const DialogControl* DialogModel::Of(ControlRef control) const
{
    for (const DialogControl& each : mControls)
        if (each.control == control)
            return &each;
    return nullptr;
}

const DialogControl* DialogModel::Find(const ControlID& id) const
{
    for (const DialogControl& each : mControls)
        if (each.Is(id))
            return &each;
    return nullptr;
}

const DialogControl* DialogModel::FirstOfKind(PlatformControlKind kind) const
{
    for (const DialogControl& each : mControls)
        if (each.info.kind == kind)
            return &each;
    return nullptr;
}

}  // namespace cmhost
