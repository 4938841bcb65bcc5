// The "New Clip" dialog: the window comes from the bundle's interface file "Dialogs"; the submenu
// field, a combo box of the submenus already in use, is added to it here.
#include "commands/NewClipDialog.h"

#include "support/CFObj.h"
#include "support/NibModalDialog.h"
#include "support/StSwitchToFront.h"

namespace {

const ControlID kTxtEditControlID = {'Swdg', 3};
const ControlID kSecureControlID = {'Swdg', 5};
const ControlID kPlainTextControlID = {'Swdg', 6};

// The submenu field's frame, and where it sits in the window's content view: the window of 10.3
// and later keeps it lower.
const HIRect kComboBoxFrame = {{0.0, 0.0}, {226.0, 24.0}};
constexpr CGFloat kComboBoxX = 95.0;
constexpr CGFloat kComboBoxYFrom10_3 = 50.0;
constexpr CGFloat kComboBoxYBefore10_3 = 30.0;
constexpr SInt32 kLastVersionBefore10_3 = 0x102F;
constexpr OptionBits kComboBoxAttributes =
    kHIComboBoxAutoCompletionAttribute | kHIComboBoxAutoDisclosureAttribute | kHIComboBoxAutoSizeListAttribute;

// Selecting up to this offset selects all of a field's text.
constexpr SInt16 kSelectAllEnd = 32767;

// The first name of the list when it is a string (the root submenu), else "" (borrowed).
CFStringRef GetDefaultSubmenu(CFArrayRef names)
{
    if (names != nullptr && CFArrayGetCount(names) > 0) {
        auto first = static_cast<CFTypeRef>(CFArrayGetValueAtIndex(names, 0));
        if (first != nullptr && CFGetTypeID(first) == CFStringGetTypeID()) {
            return static_cast<CFStringRef>(first);
        }
    }
    return CFSTR("");
}

void SetText(ControlRef control, ControlPartCode part, CFStringRef text)
{
    SetControlData(control, part, kControlEditTextCFStringTag, sizeof text, &text);
}

// The control's text (+1), or NULL when it cannot be read.
CFStringRef CopyText(ControlRef control, ControlPartCode part)
{
    CFStringRef text = nullptr;
    if (GetControlData(control, part, kControlEditTextCFStringTag, sizeof text, &text, nullptr) != noErr) {
        return nullptr;
    }
    return text;
}

void SetCheckBox(ControlRef checkBox, Boolean ticked)
{
    SetControlValue(checkBox, ticked ? kControlCheckBoxCheckedValue : kControlCheckBoxUncheckedValue);
}

// The name field shows the proposed name, all of it selected, and has the keyboard focus, so the
// user can type a name over it at once.
void PrepareNameField(WindowRef window, ControlRef nameField, CFStringRef defaultName)
{
    if (defaultName != nullptr) {
        SetText(nameField, kControlEntireControl, defaultName);
    }
    ControlEditTextSelectionRec selection = {0, kSelectAllEnd};
    SetControlData(nameField, kControlEntireControl, kControlEditTextSelectionTag, sizeof selection, &selection);
    SetKeyboardFocus(window, nameField, kControlFocusNextPart);
}

// The submenu field, made visible (+1 until the window's content view takes it), or NULL.
HIViewRef CreateSubmenuField(CFArrayRef names)
{
    HIViewRef comboBox = nullptr;
    if (HIComboBoxCreate(&kComboBoxFrame, nullptr, nullptr, names, kComboBoxAttributes, &comboBox) != noErr) {
        return nullptr;
    }
    HIViewSetVisible(comboBox, true);
    return comboBox;
}

// Puts the field into the window's content view at its place and gives it the default submenu.
// Without a content view it stays outside the window, without text.
void PlaceSubmenuField(const AbstractCMPluginType* instance, WindowRef window, CFObj<HIViewRef>& comboBox,
                       CFStringRef defaultSubmenu)
{
    HIViewRef contentView = nullptr;
    if (comboBox.Get() == nullptr ||
        HIViewFindByID(HIViewGetRoot(window), kHIViewWindowContentID, &contentView) != noErr ||
        contentView == nullptr) {
        return;
    }
    HIViewRef field = comboBox.Get();
    if (HIViewAddSubview(contentView, field) != noErr) {
        return;
    }
    // The content view holds the field from here on; it goes with the window.
    comboBox.HandOut();
    const CGFloat y = instance->implData.systemVersion > kLastVersionBefore10_3 ? kComboBoxYFrom10_3
                                                                                 : kComboBoxYBefore10_3;
    HIViewPlaceInSuperviewAt(field, kComboBoxX, y);
    SetText(field, kControlEntireControl, defaultSubmenu);
}

}  // namespace

Boolean AskForClipName(const AbstractCMPluginType* instance, CFStringRef defaultName, CFArrayRef names,
                       Boolean offerPlainText, CFStringRef* submenu, CFStringRef* name, Boolean& secure,
                       Boolean& plainText)
{
    if (submenu != nullptr) {
        *submenu = nullptr;
    }
    if (name != nullptr) {
        *name = nullptr;
    }
    if (instance == nullptr || submenu == nullptr || name == nullptr) {
        return false;
    }

    // Declared before the front switch, so the host gives the front back before the window goes.
    NibModalDialog dialog(instance->bundle, CFSTR("Dialogs"), CFSTR("New Clip"));
    if (dialog.window == nullptr) {
        return false;
    }
    StSwitchToFront front(true);

    CFStringRef defaultSubmenu = GetDefaultSubmenu(names);

    ControlRef secureBox = dialog.GetControlByID(kSecureControlID);
    if (secureBox != nullptr) {
        SetCheckBox(secureBox, secure);
    }
    ControlRef plainTextBox = dialog.GetControlByID(kPlainTextControlID);
    if (plainTextBox != nullptr) {
        if (offerPlainText) {
            SetCheckBox(plainTextBox, plainText);
        } else {
            HideControl(plainTextBox);
        }
    }
    ControlRef nameField = dialog.GetControlByID(kTxtEditControlID);
    if (nameField != nullptr) {
        PrepareNameField(dialog.window, nameField, defaultName);
    }

    // Owned here until the window takes it; read after the loop either way.
    CFObj<HIViewRef> comboBox(CreateSubmenuField(names));
    HIViewRef submenuField = comboBox.Get();
    PlaceSubmenuField(instance, dialog.window, comboBox, defaultSubmenu);

    dialog.Run();

    if (dialog.command.commandID != kHICommandOK || nameField == nullptr || submenuField == nullptr) {
        return false;
    }
    CFObj<CFStringRef> chosenName(CopyText(nameField, kControlEntireControl));
    if (chosenName.Get() == nullptr) {
        return false;
    }
    CFObj<CFStringRef> chosenSubmenu(CopyText(submenuField, kHIComboBoxEditTextPart));
    if (chosenSubmenu.Get() == nullptr) {
        return false;
    }
    if (secureBox != nullptr) {
        secure = GetControlValue(secureBox) != 0;
    }
    if (plainTextBox != nullptr && offerPlainText) {
        plainText = GetControlValue(plainTextBox) != 0;
    }
    *name = chosenName.HandOut();
    *submenu = chosenSubmenu.HandOut();
    return true;
}
